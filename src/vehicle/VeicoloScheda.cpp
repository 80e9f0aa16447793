// The vehicle screen's customer search, card loading, card entry, validation and save.
#include "vehicle/Veicolo.h"

#include "archive/Archivio.h"
#include "archive/PrefixListModel.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/SceltaCatalogo.h"
#include "vehicle/StatoVeicolo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>

namespace {
const char* const kCampiAnagrafe[11] = {"DITTA_NOME", "INDIRIZZO", "CAP",        "CITTA",          "PROVINCIA", "TELEFONO1",
                                        "TELEFONO2",  "TELEFONO3", "PARTITA_IVA", "CODICE_FISCALE", "NOTE"};

QString testo(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

using SceltaCatalogo::ChiaveVoce;

QStringList voci(const QListWidget* l)
{
    QStringList t;
    for (int i = 0; i < l->count(); ++i)
        t << l->item(i)->text();
    return t;
}

QStringList voci(const QComboBox* c)
{
    QStringList t;
    for (int i = 0; i < c->count(); ++i)
        t << c->itemText(i);
    return t;
}

// An integer field that must be one of 0..massimo, else `altrimenti`.
int intero(const QVariant& v, int massimo, int altrimenti)
{
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok && n >= 0 && n <= massimo ? n : altrimenti;
}
} // namespace

// ---- search ----

void Veicolo::focoRicerca()
{
    vaiA(Cliente->isVisible() ? static_cast<QWidget*>(Cliente) : Ditta_Nome);
}

void Veicolo::Cliente_GotFocus()
{
    AzzeroVideata();
    AbilitoScheda(false);
    Link.Collegato = false;
    AggiornoStatoCollegamento();
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice(QStringLiteral("PER_TARGA_AUTO"));
}

void Veicolo::Cliente_Change()
{
    ModelloTarghe->Svuota();
    if (Cliente->text().trimmed().isEmpty()) {
        StatoVeicolo.ClienteCaricato = false;
        return;
    }
    StatoVeicolo.ClienteCaricato = true;
    try {
        ModelloTarghe->Cerca(Cliente->text().toUpper());
    } catch (const Db::ErroreDb&) {
        Beep();
    }
}

void Veicolo::Cliente_KeyPress(int& ascii)
{
    const int k = ascii;
    if (k == 32) {
        Cliente->clear();
        ascii = 0;
    } else if (k == Tasti::Backspace || (k >= '0' && k <= '9') || (k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z')) {
        return;
    } else if (k == Tasti::Invio) {
        ascii = 0;
        mostroModoTarga();
        StatoVeicolo.TargaCorrente = Cliente->text().trimmed().toUpper();
        LeggoClienteIns();
    } else {
        Beep();
        ascii = 0;
    }
}

void Veicolo::Ditta_Nome_GotFocus()
{
    Link.Collegato = false;
    AggiornoStatoCollegamento();
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice(QStringLiteral("PER_NOME"));
    AzzeroVideata();
    AbilitoScheda(false);
    Ditta_Nome_Change();
}

void Veicolo::Ditta_Nome_Change()
{
    ModelloNomi->Svuota();
    ModelloTarghe->Svuota();
    if (Ditta_Nome->text().trimmed().isEmpty())
        return;
    try {
        ModelloNomi->Cerca(Ditta_Nome->text());
    } catch (const Db::ErroreDb&) {
        Beep();
    }
}

void Veicolo::ElencoTarghe_GotFocus()
{
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice(QStringLiteral("PER_TARGA_AUTO"));
    if (ModelloTarghe->rowCount() == 0)
        Cliente->setFocus();
}

void Veicolo::ElencoNomi_GotFocus()
{
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice(QStringLiteral("PER_NOME"));
    if (ModelloNomi->rowCount() == 0)
        Ditta_Nome->setFocus();
}

void Veicolo::ElencoTarghe_DblClick()
{
    const QModelIndex voce = ElencoTarghe->currentIndex();
    if (!voce.isValid())
        return;
    Cliente->setText(ModelloTarghe->Testo(voce.row()).trimmed());
    int invio = Tasti::Invio;
    Cliente_KeyPress(invio);
}

void Veicolo::ElencoNomi_DblClick()
{
    const QModelIndex voce = ElencoNomi->currentIndex();
    if (!voce.isValid())
        return;
    // The plate travels with the name picked, so the card loaded is that name's own.
    const QString targa = ModelloNomi->Valore(voce.row(), 0).toString();
    const QString nome = ModelloNomi->Testo(voce.row());
    {
        QSignalBlocker blocco(Ditta_Nome);
        Ditta_Nome->setText(nome);
    }
    Cliente->setText(targa.trimmed());
    StatoVeicolo.TargaCorrente.clear();
    int invio = Tasti::Invio;
    Cliente_KeyPress(invio);
}

void Veicolo::mostroModoTarga()
{
    Ditta_Nome->hide();
    ElencoNomi->hide();
    Cliente->show();
    ElencoTarghe->show();
    ImmaginiTasto(Nome_Targa, IdRisorsa(110));
}

void Veicolo::Nome_Targa_Click()
{
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!Cliente->isHidden()) {
        if (rs)
            rs->ImpostaIndice(QStringLiteral("PER_NOME"));
        Cliente->hide();
        ElencoTarghe->hide();
        Ditta_Nome->show();
        ElencoNomi->show();
        ImmaginiTasto(Nome_Targa, IdRisorsa(109));
    } else {
        if (rs)
            rs->ImpostaIndice(QStringLiteral("PER_TARGA_AUTO"));
        mostroModoTarga();
    }
}

// ---- the empty card and the card load ----

void Veicolo::AzzeroVideata()
{
    Scelta[0]->setChecked(true);
    for (int i = 0; i < 11; ++i)
        Anagrafe[i]->setText(QString(Anagrafe[i]->maxLength(), QLatin1Char(' ')));
    const QDate oggi = QDate::currentDate();
    ScrivoData(0, oggi);
    ScrivoData(3, oggi);
    AutoImp[6]->setText(QString(AutoImp[6]->maxLength(), QLatin1Char(' ')));
    NValvo->clear();
    StatoVeicolo.MarcaAuto.clear();
    {
        QSignalBlocker a(ElMarca), b(ElModello), c(CentrBenz);
        ElMarca->setCurrentRow(-1);
        ElModello->setCurrentRow(-1);
        StatoVeicolo.ModelloAuto.clear();
        StatoVeicolo.CentrBenzina.clear();
        StatoVeicolo.IndiceCentrBenz = -1;
        CentrBenz->setCurrentRow(-1);
    }
    StatoVeicolo.CentralinaSel.clear();
    StatoVeicolo.ModValvola.clear();
    {
        QSignalBlocker blocco(ModValvole);
        if (ModValvole->count() > 0) {
            ModValvole->setCurrentIndex(0);
            StatoVeicolo.ModValvola = ModValvole->currentText();
            StatoVeicolo.DirValvole = Files::PercorsoApp(QStringLiteral("VALVOLE/MODEL_1"));
        } else {
            ModValvole->setCurrentIndex(-1);
            StatoVeicolo.DirValvole.clear();
        }
    }
    StatoCatalogo.TipoInstallazione = 0;
    MostroTipoInstallazione(DescrizioneTipoMappa(0));
    StatoVeicolo.TipoTab = 0;
    {
        QSignalBlocker blocco(MarcaP);
        MarcaP->setChecked(false);
    }
    // The fuel set by the program runs its handler as a user's choice would: the make list
    // is the LPG one of the program folder.
    StatoCatalogo.TipoGas = 0;
    {
        QSignalBlocker blocco(Impianto);
        Impianto->setCurrentIndex(0);
    }
    Impianto_Click();
}

void Veicolo::LeggoClienteIns()
{
    // 1.
    AzzeroVideata();
    AzzeroDatiCentralina();
    Link.Collegato = false;
    AggiornoStatoCollegamento();
    // 2. No plate: no card. The folder of the personalised maps follows.
    if (Cliente->text().trimmed().isEmpty()) {
        StatoVeicolo.ClienteCaricato = false;
        AbilitoScheda(false);
        StatoCatalogo.Cliente.clear();
        ImpostoDirPersonal();
        Shell.DatiModificati = false;
        return;
    }
    // 3-4.
    StatoVeicolo.ClienteCaricato = true;
    AbilitoScheda(true);
    const QString targa = Archivi::ChiaveTarga(Cliente->text());
    Cliente->setText(targa);
    StatoCatalogo.Cliente = targa;
    // 5-7.
    Db::Recordset* rs = Archivio.RsClienti.get();
    bool trovato = false;
    if (rs) {
        try {
            rs->ImpostaIndice(QStringLiteral("PER_TARGA_AUTO"));
            rs->Seek(QStringLiteral("="), targa);
            trovato = !rs->NoMatch();
        } catch (const Db::ErroreDb&) {
            trovato = false;
        }
    }
    StatoVeicolo.NuovoCliente = !trovato;
    if (trovato) {
        try {
            StatoVeicolo.SegnoCliente = rs->Bookmark();
            // 8. Customer and dates.
            const int tipoDitta = rs->Valore(QStringLiteral("TIPO_DITTA")).toInt();
            Scelta[tipoDitta == 0 ? 0 : 1]->setChecked(true);
            for (int i = 0; i < 11; ++i)
                Anagrafe[i]->setText(testo(rs->Valore(QLatin1String(kCampiAnagrafe[i]))));
            const char* const date[2] = {"DATA_INSTALLO", "DATA_REVISIONE"};
            for (int d = 0; d < 2; ++d) {
                const QDate data = rs->Valore(QLatin1String(date[d])).toDate();
                if (data.isValid())
                    ScrivoData(3 * d, data);
                else
                    for (int k = 0; k < 3; ++k)
                        AutoImp[3 * d + k]->clear();
            }
            AutoImp[6]->setText(testo(rs->Valore(QStringLiteral("NOTE1"))));
            // 9. The ECU identity of the card.
            DatiCentralinaRec& c = DatiCentralina;
            c.TipoCentralina = intero(rs->Valore(QStringLiteral("VERSIONE_CEN")), 9, -1);
            const QVariant prog = rs->Valore(QStringLiteral("VERSIONE_PROG"));
            const QVariant add = rs->Valore(QStringLiteral("VERSIONE_ADD"));
            if (!prog.isNull())
                c.VersioneSw = Fisso(prog.toString(), 9);
            if (!add.isNull())
                c.VersioneSw = c.VersioneSw.left(6) + Fisso(add.toString().left(3), 3);
            c.SwVecchio = ControlloVersioneSW();
            const QVariant matricola = rs->Valore(QStringLiteral("MATRICOLA"));
            const QVariant lotto = rs->Valore(QStringLiteral("LOTTO"));
            if (!matricola.isNull())
                c.Matricola = Fisso(matricola.toString(), 8);
            if (!lotto.isNull())
                c.Lotto = Fisso(lotto.toString(), 6);
            // 10. Catalogue source, map type and fuel, with the handlers a user's choice runs.
            StatoVeicolo.TipoTab = intero(rs->Valore(QStringLiteral("TIPOTAB")), 1, 0);
            {
                QSignalBlocker blocco(MarcaP);
                MarcaP->setChecked(StatoVeicolo.TipoTab == 1);
            }
            MarcaP_Click();
            StatoCatalogo.TipoInstallazione = intero(rs->Valore(QStringLiteral("TIPO_INSTALLAZIONE")), 1, 0);
            MostroTipoInstallazione(DescrizioneTipoMappa(StatoCatalogo.TipoInstallazione));
            StatoCatalogo.TipoGas = intero(rs->Valore(QStringLiteral("IMPIANTO")), 1, 0);
            {
                QSignalBlocker blocco(Impianto);
                Impianto->setCurrentIndex(StatoCatalogo.TipoGas);
            }
            Impianto_Click();
            // 11. The car, replayed through the catalogue lists; what is no longer there stays
            // unselected and is asked for at the next save.
            // A stored name cut to the card's width that fits two entries selects neither.
            const QString modello = ChiaveVoce(testo(rs->Valore(QStringLiteral("MODELLO_AUTO"))), 12);
            selezionoMarca(testo(rs->Valore(QStringLiteral("MARCA_AUTO"))));
            for (int i = 0; i < ElDir->count(); ++i) {
                if (ChiaveVoce(ElDir->item(i)->text(), 12) != modello)
                    continue;
                {
                    QSignalBlocker blocco(ElModello);
                    ElModello->setCurrentRow(i);
                }
                ElModello_Click();
                // The hidden key list has no selection: the model's pick keeps the map type.
                StatoVeicolo.ModelloAuto.clear();
                ElModello_DblClick();
                break;
            }
            const QString centralina = testo(rs->Valore(QStringLiteral("CENTRALINA")));
            if (const int i = SceltaCatalogo::VoceUnica(voci(CentrBenz), centralina, 25); i >= 0) {
                StatoVeicolo.IndiceCentrBenz = i;
                StatoVeicolo.CentrBenzina = Fisso(CentrBenz->item(i)->text().left(25), 25);
                {
                    QSignalBlocker blocco(CentrBenz);
                    CentrBenz->setCurrentRow(i);
                }
                CentrBenz_DblClick();
            }
            {
                QSignalBlocker blocco(ModValvole);
                ModValvole->setCurrentIndex(-1);
            }
            StatoVeicolo.ModValvola.clear();
            StatoVeicolo.DirValvole.clear();
            const QString valvola = testo(rs->Valore(QStringLiteral("MOD_VALVOLA")));
            if (const int i = SceltaCatalogo::VoceUnica(voci(ModValvole), valvola, 25); i >= 0) {
                StatoVeicolo.ModValvola = Fisso(ModValvole->itemText(i).left(25), 25);
                {
                    QSignalBlocker blocco(ModValvole);
                    ModValvole->setCurrentIndex(i);
                }
                ModValvole_Click();
            }
        } catch (const Db::ErroreDb&) {
            Beep();
        }
    }
    ImpostoDirPersonal();
    // 12.
    AbilitoScheda(true);
    DatiCli->setCurrentIndex(0);
    Anagrafe[0]->setFocus();
    // 13-14.
    CancelloMappePersonali();
    Shell.DatiModificati = false;
}

// ---- card entry ----

void Veicolo::Anagrafe_KeyPress(int i, int& ascii)
{
    if (ascii != Tasti::Invio)
        return;
    ascii = 0;
    QWidget* dopo = nullptr;
    if (i == 3)
        dopo = Anagrafe[4]->isEnabled() ? Anagrafe[4] : Anagrafe[5];
    else if (i == 8)
        dopo = Anagrafe[9]->isEnabled() ? Anagrafe[9] : Anagrafe[10];
    else if (i == 10)
        dopo = Salva;
    else
        dopo = Anagrafe[i + 1];
    vaiA(dopo);
}

void Veicolo::AutoImp_KeyPress(int i, int& ascii)
{
    const int k = ascii;
    if (k == Tasti::Invio) {
        ascii = 0;
        QWidget* dopo = i == 2 ? static_cast<QWidget*>(Tasto_Inf)
                      : i == 5 ? static_cast<QWidget*>(Caric_Agg)
                      : i == 6 ? static_cast<QWidget*>(MarcaP)
                               : AutoImp[i + 1];
        vaiA(dopo);
        return;
    }
    if (i == 6)
        return;
    if ((k >= '0' && k <= '9') || k == Tasti::Backspace)
        return;
    ascii = 0;
    if (k == 32)
        AutoImp[i]->clear();
    else
        Beep();
}

void Veicolo::Anagrafe_LostFocus(int i)
{
    QLineEdit* e = Anagrafe[i];
    QString t = Fisso(e->text().trimmed(), e->maxLength());
    if (i == 4 || i == 9)
        t = t.toUpper();
    e->setText(t);
    if (i == 10 && QApplication::focusWidget() != Salva)
        vaiA(Salva);
}

void Veicolo::AutoImp_LostFocus(int i)
{
    QLineEdit* e = AutoImp[i];
    const QString t = e->text().trimmed();
    if (i == 6)
        e->setText(Fisso(t, e->maxLength()));
    else if (t.isEmpty())
        e->setText(QString(e->maxLength(), QLatin1Char(' ')));
    else
        e->setText(t.rightJustified(e->maxLength(), QLatin1Char('0'), true));
}

// ---- validation and save ----

void Veicolo::avvisoCampo(int messaggio, QWidget* fuoco, int tab)
{
    Beep();
    Avviso(messaggio);
    if (!SchedaAbilitata()) {
        focoRicerca();
        return;
    }
    if (tab >= 0)
        DatiCli->setCurrentIndex(tab);
    vaiA(fuoco);
}

bool Veicolo::SalvoDati()
{
    // 1. A changed plate is saved only when the user says so.
    if (Cliente->text().trimmed().toUpper() != StatoVeicolo.TargaCorrente.trimmed().toUpper()) {
        Beep();
        if (Avviso(224, 140, 1) != -1)
            return true;
    }
    if (Anagrafe[0]->text().trimmed().isEmpty()) {
        avvisoCampo(261, Anagrafe[0], 0);
        return true;
    }
    if (!LeggoData(0).isValid()) {
        avvisoCampo(154, AutoImp[0], 1);
        return true;
    }
    if (AutoImp[3]->text().trimmed().isEmpty() && AutoImp[4]->text().trimmed().isEmpty() &&
        AutoImp[5]->text().trimmed().isEmpty())
        for (int k = 0; k < 3; ++k)
            AutoImp[3 + k]->setText(AutoImp[k]->text());
    if (!LeggoData(3).isValid()) {
        avvisoCampo(155, AutoImp[3], 1);
        return true;
    }
    const std::pair<const QString*, std::pair<int, QWidget*>> catalogo[] = {
        {&StatoVeicolo.MarcaAuto, {143, ElMarca}},
        {&StatoVeicolo.ModelloAuto, {144, ElModello}},
        {&StatoVeicolo.CentrBenzina, {145, CentrBenz}},
        {&StatoVeicolo.ModValvola, {146, ModValvole}},
    };
    for (const auto& [valore, avviso] : catalogo)
        if (valore->trimmed().isEmpty()) {
            avvisoCampo(avviso.first, avviso.second, 1);
            return true;
        }
    if (StatoCatalogo.TipoGas == -1) {
        avvisoCampo(248, Impianto, 1);
        return true;
    }
    return false;
}

int Veicolo::SalvoCliente()
{
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!rs)
        return -1;
    const QString targa = Archivi::ChiaveTarga(Cliente->text());
    try {
        rs->ImpostaIndice(QStringLiteral("PER_TARGA_AUTO"));
        if (StatoVeicolo.NuovoCliente) {
            rs->AddNew();
        } else {
            rs->ImpostaBookmark(StatoVeicolo.SegnoCliente);
            rs->Edit();
        }
        const DatiCentralinaRec& c = DatiCentralina;
        const QDate installo = LeggoData(0), revisione = LeggoData(3);
        if (!installo.isValid() || !revisione.isValid())
            throw Db::ErroreDb(Db::Err::TipoErrato, QStringLiteral("date"));
        rs->Imposta(QStringLiteral("TARGA_AUTO"), targa);
        rs->Imposta(QStringLiteral("TIPO_DITTA"), Scelta[0]->isChecked() ? 0 : 1);
        for (int i = 0; i < 11; ++i)
            rs->Imposta(QLatin1String(kCampiAnagrafe[i]), Anagrafe[i]->text());
        rs->Imposta(QStringLiteral("DATA_INSTALLO"), installo);
        rs->Imposta(QStringLiteral("DATA_REVISIONE"), revisione);
        rs->Imposta(QStringLiteral("NOTE1"), AutoImp[6]->text());
        rs->Imposta(QStringLiteral("MARCA_AUTO"), Fisso(StatoVeicolo.MarcaAuto, 15));
        rs->Imposta(QStringLiteral("MODELLO_AUTO"), Fisso(StatoVeicolo.ModelloAuto, 12));
        rs->Imposta(QStringLiteral("CENTRALINA"), Fisso(StatoVeicolo.CentrBenzina, 25));
        rs->Imposta(QStringLiteral("MOD_VALVOLA"), Fisso(StatoVeicolo.ModValvola, 25));
        rs->Imposta(QStringLiteral("IMPIANTO"), StatoCatalogo.TipoGas);
        rs->Imposta(QStringLiteral("TIPOTAB"), StatoVeicolo.TipoTab);
        rs->Imposta(QStringLiteral("TIPO_INSTALLAZIONE"), StatoCatalogo.TipoInstallazione);
        rs->Imposta(QStringLiteral("VERSIONE_CEN"), c.TipoCentralina);
        const QString versione = Fisso(c.VersioneSw, 9);
        rs->Imposta(QStringLiteral("VERSIONE_PROG"), versione.left(6));
        rs->Imposta(QStringLiteral("VERSIONE_ADD"), versione.mid(6, 3));
        rs->Imposta(QStringLiteral("MATRICOLA"), Fisso(c.Matricola, 8));
        rs->Imposta(QStringLiteral("LOTTO"), Fisso(c.Lotto, 6));
        rs->Update();
    } catch (const Db::ErroreDb&) {
        try {
            rs->CancelUpdate();
        } catch (const Db::ErroreDb&) {
        }
        return -1;
    }
    try {
        // Found again by the key just stored, so a new card becomes a known one.
        rs->Seek(QStringLiteral("="), targa);
        if (!rs->NoMatch()) {
            StatoVeicolo.SegnoCliente = rs->Bookmark();
            StatoVeicolo.NuovoCliente = false;
        }
        // The saved card is the loaded one now: its plate names the personalised maps.
        StatoCatalogo.Cliente = targa;
        ImpostoDirPersonal();
        if (!Link.Collegato)
            CancelloMappePersonali();
    } catch (const Db::ErroreDb&) {
        return -1;
    }
    return 0;
}

bool Veicolo::SalvoClienteMostrando()
{
    if (SalvoCliente() == 0)
        return true;
    Avviso(216);
    return false;
}

void Veicolo::Salva_Click()
{
    if (!StatoVeicolo.ClienteCaricato) {
        focoRicerca();
        return;
    }
    if (SalvoDati())
        return;
    if (SalvoClienteMostrando())
        Shell.DatiModificati = false;
}

void Veicolo::Esci_Click()
{
    if (StatoVeicolo.ClienteCaricato && Shell.DatiModificati) {
        if (Avviso(201, 140, 1) == -1) {
            if (SalvoDati() || !SalvoClienteMostrando())
                return;
        }
    }
    if (Scaricato())
        return;
    Archivi::ChiudoArchivio();
    m_archivioAperto = false;
    Scarica();
}
