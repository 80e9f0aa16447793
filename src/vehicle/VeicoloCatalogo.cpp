// The vehicle screen's catalogue choice (fuel, catalogue source, make, model, petrol ECU,
// injector rail), the map-table version and the wiring diagram.
#include "vehicle/Veicolo.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "ecu_link/DatiCentralina.h"
#include "platform/ExternalProgram.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/SceltaCatalogo.h"
#include "vehicle/StatoVeicolo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>

namespace {
using SceltaCatalogo::ChiaveVoce;

void tipoStandard(Veicolo* v)
{
    StatoCatalogo.TipoInstallazione = 0;
    v->MostroTipoInstallazione(DescrizioneTipoMappa(0));
}

QByteArray leggi(const QString& percorso)
{
    QByteArray dati;
    if (!Files::LeggiTutto(percorso, dati))
        return {};
    return dati;
}
} // namespace

QString Veicolo::baseCatalogo() const
{
    return StatoVeicolo.TipoTab == 1 ? Files::PercorsoApp(QStringLiteral("TEMPOR")) : Shell.PathApp;
}

QString Veicolo::marcaCartella() const
{
    // The card holds 15 characters of the make; its file and folder carry the whole name,
    // which the make list shows.
    const QListWidgetItem* voce = ElMarca->currentItem();
    if (voce && ElMarca->currentRow() >= 0 && ChiaveVoce(voce->text(), 15) == ChiaveVoce(StatoVeicolo.MarcaAuto, 15))
        return voce->text().trimmed();
    return StatoVeicolo.MarcaAuto.trimmed();
}

QString Veicolo::fileMarca() const
{
    const QString marca = marcaCartella();
    if (!Files::ComponenteValido(marca + QStringLiteral(".PRN")))
        return {};
    return Files::Percorso(baseCatalogo(), marca + QStringLiteral(".PRN"));
}

void Veicolo::Impianto_Click()
{
    StatoCatalogo.TipoGas = Impianto->currentIndex();
    {
        QSignalBlocker a(ElMarca), b(ElModello), c(CentrBenz);
        ElMarca->setCurrentRow(-1);
        StatoVeicolo.MarcaAuto.clear();
        ElModello->clear();
        ElDir->clear();
        StatoVeicolo.ModelloAuto.clear();
        CentrBenz->clear();
        DirCentr->clear();
        StatoVeicolo.CentrBenzina.clear();
        StatoCatalogo.DirCentralina.clear();
    }
    Shell.DatiModificati = true;
    QSignalBlocker blocco(ElMarca);
    ElencoStampe(baseCatalogo(), ElMarca, StatoCatalogo.TipoGas);
}

void Veicolo::MarcaP_Click()
{
    const int valore = MarcaP->isChecked() ? 1 : 0;
    if (valore != StatoVeicolo.TipoTab)
        Shell.DatiModificati = true;
    StatoVeicolo.TipoTab = valore;
    const QString tempor = Files::PercorsoApp(QStringLiteral("TEMPOR"));
    if (valore == 1 && !Esiste(tempor, 16))
        Files::CreaCartella(tempor);
    {
        QSignalBlocker blocco(ElMarca);
        ElencoStampe(baseCatalogo(), ElMarca, StatoCatalogo.TipoGas);
    }
    Impianto_Click();
}

void Veicolo::ElMarca_Click()
{
    QSignalBlocker a(ElModello), b(CentrBenz);
    ElModello->clear();
    ElDir->clear();
    CentrBenz->clear();
    DirCentr->clear();
    StatoVeicolo.MarcaAuto.clear();
    StatoVeicolo.ModelloAuto.clear();
    StatoVeicolo.CentrBenzina.clear();
    StatoCatalogo.DirCentralina.clear();
}

void Veicolo::selezionoMarca(const QString& marca)
{
    QStringList voci;
    for (int i = 0; i < ElMarca->count(); ++i)
        voci << ElMarca->item(i)->text();
    const int i = SceltaCatalogo::VoceUnica(voci, marca, 15);
    if (i < 0)
        return;
    {
        QSignalBlocker blocco(ElMarca);
        ElMarca->setCurrentRow(i);
    }
    ElMarca_Click();
    StatoVeicolo.MarcaAuto = Fisso(ElMarca->item(i)->text().trimmed(), 15);
    ElMarca_DblClick();
}

void Veicolo::ElMarca_DblClick()
{
    QListWidgetItem* voce = ElMarca->currentItem();
    if (!voce || ElMarca->currentRow() < 0)
        return;
    Shell.DatiModificati = true;
    // Compared on the width the card stores, so a long make name keeps its map type.
    if (ChiaveVoce(voce->text(), 15) != ChiaveVoce(StatoVeicolo.MarcaAuto, 15))
        tipoStandard(this);
    StatoVeicolo.MarcaAuto = Fisso(voce->text().trimmed(), 15);
    Aggiorno_Modelli();
    Leggo_VersioneTab();
}

void Veicolo::Aggiorno_Modelli()
{
    QSignalBlocker blocco(ElModello);
    ElModello->clear();
    ElDir->clear();
    const QString file = fileMarca();
    if (Impianto->currentIndex() < 0 || file.isEmpty() || !QFileInfo(file).isFile())
        return;
    for (const SceltaCatalogo::VoceModello& m : SceltaCatalogo::ElencoModelli(leggi(file), Impianto->currentIndex())) {
        ElModello->addItem(CatalogoTesto::Windows1252(m.descrizione));
        ElDir->addItem(QString::fromLatin1(m.chiave));
    }
}

void Veicolo::ElModello_Click()
{
    QSignalBlocker blocco(CentrBenz);
    CentrBenz->clear();
    DirCentr->clear();
    StatoVeicolo.CentrBenzina.clear();
    StatoCatalogo.DirCentralina.clear();
}

void Veicolo::ElModello_DblClick()
{
    const int pos = ElModello->currentRow();
    if (pos < 0)
        return;
    Shell.DatiModificati = true;
    // The hidden key list never has a selection of its own: a model picked while a key is
    // held sets the map type back to standard.
    if (!StatoVeicolo.ModelloAuto.trimmed().isEmpty())
        tipoStandard(this);
    {
        QSignalBlocker blocco(CentrBenz);
        CentrBenz->clear();
        DirCentr->clear();
    }
    const QString file = fileMarca();
    QByteArray record;
    if (!file.isEmpty() && QFileInfo(file).isFile() && pos < ElDir->count() &&
        SceltaCatalogo::RecordModello(leggi(file), ElDir->item(pos)->text(), record)) {
        NValvo->setText(QString::fromLatin1(record.mid(41, 4)).trimmed());
        QSignalBlocker blocco(CentrBenz);
        for (const SceltaCatalogo::VoceCentralina& c : SceltaCatalogo::CentralineOfferte(record, Impianto->currentIndex())) {
            CentrBenz->addItem(CatalogoTesto::Windows1252(c.nome));
            DirCentr->addItem(QStringLiteral("CENTRAL%1").arg(c.slot));
        }
        StatoVeicolo.ModelloAuto = QString::fromLatin1(record.mid(165, 12));
    }
    Leggo_VersioneTab();
}

void Veicolo::CentrBenz_DblClick()
{
    const int pos = CentrBenz->currentRow();
    if (pos < 0 || !CentrBenz->currentItem())
        return;
    const QString voce = CentrBenz->currentItem()->text();
    if (ChiaveVoce(voce, 25) != ChiaveVoce(StatoVeicolo.CentrBenzina, 25))
        tipoStandard(this);
    StatoVeicolo.CentrBenzina = Fisso(voce.left(25), 25);
    StatoVeicolo.IndiceCentrBenz = pos;
    const QString prima = StatoVeicolo.CentralinaSel.trimmed();
    const int slotPrima = !prima.isEmpty() && prima.back().isDigit() ? prima.back().digitValue() : 0;
    if (slotPrima != pos + 1)
        Shell.DatiModificati = true;
    StatoVeicolo.CentralinaSel = Fisso(pos < DirCentr->count() ? DirCentr->item(pos)->text().trimmed() : QString(), 12);
    const QStringList parti = {marcaCartella(), StatoVeicolo.ModelloAuto.trimmed(),
                               StatoVeicolo.CentralinaSel.trimmed()};
    bool validi = true;
    for (const QString& p : parti)
        validi = validi && Files::ComponenteValido(p);
    StatoCatalogo.DirCentralina = validi ? Files::Percorso(baseCatalogo(), parti.join(QLatin1Char('/'))) : QString();
    Leggo_VersioneTab();
}

void Veicolo::ModValvole_Click()
{
    const int pos = ModValvole->currentIndex();
    if (pos < 0)
        return;
    const QString voce = ModValvole->itemText(pos);
    if (ChiaveVoce(voce, 25) != ChiaveVoce(StatoVeicolo.ModValvola, 25))
        tipoStandard(this);
    Shell.DatiModificati = true;
    StatoVeicolo.ModValvola = Fisso(voce.left(25), 25);
    StatoVeicolo.DirValvole = Files::PercorsoApp(QStringLiteral("VALVOLE/MODEL_%1").arg(pos + 1));
}

void Veicolo::Leggo_VersioneTab()
{
    QString testo = QStringLiteral("Tab_Vers. ");
    const QString cartella = StatoCatalogo.DirCentralina.trimmed();
    const int tipo = DatiCentralina.TipoCentralina;
    if (cartella.isEmpty()) {
    } else if (tipo == 0) {
        testo = QStringLiteral("Tab_Vers. Z-World");
    } else {
        const QString nn = DueCifre(tipo);
        const bool metano = StatoCatalogo.TipoGas == 1;
        const QString mappa = Files::Trova(cartella, (metano ? QStringLiteral("METANO") : QStringLiteral("MOTORO")) + nn + QStringLiteral(".QOX"));
        const QString f19 = Files::Trova(cartella, (metano ? QStringLiteral("C_META") : QStringLiteral("C_GPL")) + nn + QStringLiteral(".F19"));
        if (QFileInfo(f19).isFile()) {
            QFile f(f19);
            if (f.open(QIODevice::ReadOnly)) {
                QByteArray riga = f.readLine(4096);
                while (riga.endsWith('\n') || riga.endsWith('\r'))
                    riga.chop(1);
                testo = SceltaCatalogo::VersioneDaIntestazione(riga);
            }
        } else if (QFileInfo(mappa).isFile()) {
            if (FormattoFile(mappa) == 0) {
                QFile f(mappa);
                if (f.open(QIODevice::ReadOnly) && f.seek(qint64(2827 - 1) * 8)) {
                    const QByteArray record = f.read(8);
                    if (record.size() >= 6)
                        testo = SceltaCatalogo::VersioneDaRecord(record);
                }
            }
        }
    }
    Versione_Tab->setText(testo);
}

void Veicolo::LanciaSchemi_Click()
{
    const std::pair<const QString*, int> controlli[] = {
        {&StatoVeicolo.MarcaAuto, 143}, {&StatoVeicolo.ModelloAuto, 144}, {&StatoVeicolo.CentralinaSel, 145}};
    for (const auto& [valore, messaggio] : controlli)
        if (valore->trimmed().isEmpty()) {
            Beep();
            Avviso(messaggio);
            return;
        }
    const QString programma = ProgrammaEsterno(QStringLiteral("ACRORD32.EXE"));
    const QString cartella = CartellaProgrammaEsterno(QStringLiteral("ACROBAT"), QStringLiteral("ACRORD32.EXE"), false);
    if (cartella.isEmpty()) {
        Avviso(202);
        return;
    }
    // Always below the program folder, also for the staging catalogue.
    const QString marca = marcaCartella();
    const QString modello = StatoVeicolo.ModelloAuto.trimmed();
    const QString slot = StatoVeicolo.CentralinaSel.trimmed();
    QString schema;
    if (Files::ComponenteValido(marca) && Files::ComponenteValido(modello) && Files::ComponenteValido(slot)) {
        const QString base = marca + QLatin1Char('/') + modello + QLatin1Char('/') + slot + QLatin1Char('/') + modello;
        QStringList finali;
        if (StatoCatalogo.TipoGas == 1)
            finali << QStringLiteral("M.PDF");
        finali << QStringLiteral(".PDF");
        for (const QString& fine : finali) {
            const QString p = Files::PercorsoApp(base + fine);
            if (QFileInfo(p).isFile()) {
                schema = p;
                break;
            }
        }
    }
    if (schema.isEmpty()) {
        Avviso(200);
        return;
    }
    // The path is one argument, blanks and all. The desktop's opener ends non-zero at once
    // when nothing can show the file: 202. A reader still running by then has opened it, and
    // however it ends later raises no box. The folder is remembered after every launch that
    // did not fail.
    const QString ini = FileConfigurazione();
    const EsitoProgramma esito =
        AvvioSenzaAttendere(Files::Percorso(cartella, programma), {schema}, [cartella, ini](const EsitoProgramma& e) {
            if (e.inCorso || (e.terminato && e.codice == 0))
                ScrivoProfilo(QStringLiteral("ACROBAT"), QStringLiteral("Directory"), cartella, ini);
            else
                Avviso(202);
        });
    if (!esito.avviato)
        Avviso(202);
}
