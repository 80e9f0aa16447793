#include "archive/Cancella.h"

#include "archive/Archivio.h"
#include "archive/PrefixListModel.h"
#include "catalogue/Catalogue.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>

namespace {

QString Parte(const QVariant& data, const char* formato)
{
    return data.isNull() ? QString() : data.toDate().toString(formato);
}

QString Testo(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

// A search list: one line per row, all of one height, rows read as they scroll into view.
QListView* Elenco(QWidget* parent, const char* nome, PrefixListModel* modello)
{
    auto* l = new QListView(parent);
    l->setObjectName(nome);
    l->setUniformItemSizes(true);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setModel(modello);
    return l;
}

} // namespace

const int Cancella::RuoloTarga = PrefixListModel::RuoloCampo;

Cancella::Cancella()
{
    resize(860, 600);
    Intitolo = CreoIntitolo(this);
    Intitolo->setFixedHeight(40);

    Nome_Targa = new QPushButton(this);
    Nome_Targa->setObjectName("Nome_Targa");
    Nome_Targa->setFixedSize(60, 60);
    Cliente = new QLineEdit(this);
    Cliente->setObjectName("Cliente");
    Cliente->setMaxLength(10);
    Cliente->setFixedWidth(130);
    auto archivio = [] { return Archivio.DbArchivio.get(); };
    ModelloTarghe = new PrefixListModel(archivio, "CLIENTI", "TARGA_AUTO", {}, this);
    ElencoTarghe = Elenco(this, "ElencoTarghe", ModelloTarghe);
    ElencoTarghe->setFixedSize(150, 110);
    Ditta_Nome = new QLineEdit(this);
    Ditta_Nome->setObjectName("Ditta_Nome");
    Ditta_Nome->setMaxLength(50);
    Ditta_Nome->setFixedWidth(260);
    ModelloNomi = new PrefixListModel(archivio, "CLIENTI", "DITTA_NOME", {"TARGA_AUTO"}, this);
    ElencoNomi = Elenco(this, "ElencoNomi", ModelloNomi);
    ElencoNomi->setFixedSize(300, 110);

    DatiCli = new QTabWidget(this);
    DatiCli->setObjectName("DatiCli");
    DatiCli->setFixedSize(780, 330);
    auto* pagina0 = new QWidget;
    auto* pagina1 = new QWidget;
    DatiCli->addTab(pagina0, QString());
    DatiCli->addTab(pagina1, QString());
    auto* g0 = new QGridLayout(pagina0);
    auto* g1 = new QGridLayout(pagina1);
    for (int i = 0; i < 15; ++i)
        LabCli.append(new QLabel);
    for (int i = 0; i < 11; ++i) {
        auto* l = new QLabel;
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        Anagrafe.append(l);
    }
    for (int i = 0; i < 14; ++i) {
        auto* l = new QLabel;
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        AutoImp.append(l);
    }
    IntMarca = new QLabel;
    IntModello = new QLabel;
    for (int i = 0; i < 4; ++i)
        LabCentr.append(new QLabel);
    // Tab 0: customer.
    g0->addWidget(LabCli[0], 0, 0);
    g0->addWidget(Anagrafe[0], 0, 1, 1, 5);
    g0->addWidget(LabCli[1], 1, 0);
    g0->addWidget(Anagrafe[1], 1, 1, 1, 5);
    g0->addWidget(LabCli[2], 2, 0);
    g0->addWidget(Anagrafe[2], 2, 1);
    g0->addWidget(LabCli[3], 2, 2);
    g0->addWidget(Anagrafe[3], 2, 3);
    g0->addWidget(LabCli[4], 2, 4);
    g0->addWidget(Anagrafe[4], 2, 5);
    g0->addWidget(LabCli[5], 3, 0);
    g0->addWidget(Anagrafe[5], 3, 1);
    g0->addWidget(LabCli[10], 3, 2);
    g0->addWidget(Anagrafe[6], 3, 3);
    g0->addWidget(Anagrafe[7], 3, 5);
    g0->addWidget(LabCli[7], 4, 0);
    g0->addWidget(Anagrafe[9], 4, 1);
    // The separator, then the tax code's own caption, before the tax-code field.
    auto* codice = new QHBoxLayout;
    codice->addWidget(LabCli[6]);
    codice->addWidget(LabCli[8]);
    g0->addLayout(codice, 4, 2);
    g0->addWidget(Anagrafe[8], 4, 3, 1, 3);
    g0->addWidget(LabCli[9], 5, 0);
    g0->addWidget(Anagrafe[10], 5, 1, 1, 5);
    // Tab 1: car and installation.
    g1->addWidget(LabCli[11], 0, 0);
    g1->addWidget(AutoImp[0], 0, 1);
    g1->addWidget(AutoImp[1], 0, 2);
    g1->addWidget(AutoImp[2], 0, 3);
    g1->addWidget(LabCli[12], 1, 0);
    g1->addWidget(AutoImp[3], 1, 1);
    g1->addWidget(AutoImp[4], 1, 2);
    g1->addWidget(AutoImp[5], 1, 3);
    g1->addWidget(LabCli[13], 2, 0);
    g1->addWidget(AutoImp[6], 2, 1, 1, 3);
    g1->addWidget(IntMarca, 3, 0);
    g1->addWidget(AutoImp[7], 3, 1, 1, 3);
    g1->addWidget(IntModello, 4, 0);
    g1->addWidget(AutoImp[8], 4, 1, 1, 3);
    g1->addWidget(LabCentr[0], 5, 0);
    g1->addWidget(AutoImp[9], 5, 1, 1, 3);
    g1->addWidget(LabCentr[1], 6, 0);
    g1->addWidget(AutoImp[10], 6, 1);
    g1->addWidget(LabCentr[2], 7, 0);
    g1->addWidget(AutoImp[11], 7, 1, 1, 3);
    g1->addWidget(LabCli[14], 8, 0);
    g1->addWidget(AutoImp[12], 8, 1);
    g1->addWidget(LabCentr[3], 9, 0);
    g1->addWidget(AutoImp[13], 9, 1);

    Elimino = new QPushButton(this);
    Elimino->setObjectName("Elimino");
    Elimino->setFixedSize(110, 70);
    Esci = new QPushButton(this);
    Esci->setObjectName("Esci");
    Esci->setFixedSize(110, 70);
    LogoQox = new QLabel(this);
    LogoQox->setFixedSize(100, 60);
    LogoZEQ = new QLabel(this);
    LogoZEQ->setFixedSize(100, 60);

    connect(Cliente, &QLineEdit::textChanged, this, &Cancella::Cliente_Change);
    connect(Ditta_Nome, &QLineEdit::textChanged, this, &Cancella::Ditta_Nome_Change);
    connect(ElencoTarghe, &QListView::doubleClicked, this, [this] { ElencoTarghe_DblClick(); });
    connect(ElencoNomi, &QListView::doubleClicked, this, [this] { ElencoNomi_DblClick(); });
    // A list cut short by a read error while it scrolls: the same beep as a failed search.
    connect(ModelloTarghe, &PrefixListModel::Interrotta, this, [] { Beep(); });
    connect(ModelloNomi, &PrefixListModel::Interrotta, this, [] { Beep(); });
    connect(Nome_Targa, &QPushButton::clicked, this, &Cancella::Nome_Targa_Click);
    connect(Elimino, &QPushButton::clicked, this, &Cancella::Elimino_Click);
    connect(Esci, &QPushButton::clicked, this, &Cancella::Esci_Click);
}

void Cancella::Form_Load()
{
    setWindowTitle(Msg(276));
    DatiCli->setTabText(0, Msg(102));
    DatiCli->setTabText(1, Msg(103));
    const int testi[][2] = {{0, 106}, {1, 107}, {2, 108}, {3, 109}, {4, 110}, {5, 111}, {6, 112},
                            {7, 113}, {8, 383}, {9, 114}, {10, 382}, {11, 115}, {12, 116}, {13, 114}, {14, 269}};
    for (const auto& t : testi)
        LabCli[t[0]]->setText(Msg(t[1]));
    IntMarca->setText(Msg(270));
    IntModello->setText(Msg(271));
    for (int i = 0; i < 4; ++i)
        LabCentr[i]->setText(Msg(272 + i));
    Intitolo->setText(Msg(276));
    const bool polacco = Shell.Lingua == 1;
    for (QLabel* l : {LabCli[4], LabCli[6], LabCli[8], Anagrafe[4], Anagrafe[8]})
        l->setVisible(polacco);

    CaricoImmagine(IdRisorsa(110), Nome_Targa);
    CaricoImmagine(IdRisorsa(126), Elimino);
    CaricoImmagine(IdRisorsa(103), Esci);
    CaricoImmagine(3011, LogoQox);
    CaricoImmagine(3008, LogoZEQ);

    // Plate mode.
    Ditta_Nome->hide();
    Ditta_Nome->setEnabled(false);
    ElencoNomi->hide();
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice("PER_TARGA_AUTO");
    DatiCli->setCurrentIndex(0);
    DatiCli->setEnabled(false);
    Form_Resize();
    Cliente->setFocus();
}

void Cancella::CancelloInf()
{
    for (QLabel* l : Anagrafe)
        l->clear();
    for (QLabel* l : AutoImp)
        l->clear();
    MarcaAuto.clear();
    ModelloAuto.clear();
    CentralinaSel.clear();
    m_targaMostrata.clear();
}

void Cancella::Cliente_Change()
{
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!rs) {
        ModelloTarghe->Svuota();
        return;
    }
    try {
        rs->ImpostaIndice("PER_TARGA_AUTO");
        ModelloTarghe->Cerca(Cliente->text());
    } catch (const Db::ErroreDb&) {
        Beep();
    }
}

void Cancella::Ditta_Nome_Change()
{
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!rs) {
        ModelloNomi->Svuota();
        return;
    }
    try {
        rs->ImpostaIndice("PER_NOME");
        ModelloNomi->Cerca(Ditta_Nome->text());
    } catch (const Db::ErroreDb&) {
        Beep();
    }
}

void Cancella::Ditta_Nome_GotFocus() { Ditta_Nome_Change(); }

void Cancella::ElencoTarghe_DblClick()
{
    const QModelIndex voce = ElencoTarghe->currentIndex();
    if (!voce.isValid())
        return;
    const QString targa = ModelloTarghe->Testo(voce.row());
    Cliente->setText(targa);
    LeggoClienteIns();
}

void Cancella::ElencoNomi_DblClick()
{
    const QModelIndex voce = ElencoNomi->currentIndex();
    if (!voce.isValid())
        return;
    // The plate travels with the entry picked, so the customer read is that name's own.
    const QString targa = ModelloNomi->Valore(voce.row(), 0).toString();
    const QString nome = ModelloNomi->Testo(voce.row());
    Cliente->setText(targa);
    Ditta_Nome->setText(nome);
    LeggoClienteIns();
}

void Cancella::Nome_Targa_Click()
{
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!Cliente->isHidden()) {
        if (rs)
            rs->ImpostaIndice("PER_NOME");
        Cliente->hide();
        Cliente->setEnabled(false);
        ElencoTarghe->hide();
        Ditta_Nome->show();
        Ditta_Nome->setEnabled(true);
        ElencoNomi->show();
        CaricoImmagine(IdRisorsa(109), Nome_Targa);
        Ditta_Nome->setFocus();
    } else {
        if (rs)
            rs->ImpostaIndice("PER_TARGA_AUTO");
        Ditta_Nome->hide();
        Ditta_Nome->setEnabled(false);
        ElencoNomi->hide();
        Cliente->show();
        Cliente->setEnabled(true);
        ElencoTarghe->show();
        CaricoImmagine(IdRisorsa(110), Nome_Targa);
        Cliente->setFocus();
    }
}

void Cancella::LeggoClienteIns()
{
    CancelloInf();
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!rs || Cliente->text().trimmed().isEmpty()) {
        DatiCli->setEnabled(false);
        return;
    }
    const QString chiave = Archivi::ChiaveTarga(Cliente->text());
    Cliente->setText(chiave);
    try {
        rs->ImpostaIndice("PER_TARGA_AUTO");
        rs->Seek("=", chiave);
        if (rs->NoMatch()) {
            DatiCli->setEnabled(false);
            (Cliente->isEnabled() ? Cliente : Ditta_Nome)->setFocus();
            return;
        }
        const char* anagrafe[] = {"DITTA_NOME", "INDIRIZZO", "CAP", "CITTA", "PROVINCIA", "TELEFONO1",
                                  "TELEFONO2", "TELEFONO3", "CODICE_FISCALE", "PARTITA_IVA", "NOTE"};
        for (int i = 0; i < 11; ++i)
            Anagrafe[i]->setText(Testo(rs->Valore(anagrafe[i])));
        const QVariant installo = rs->Valore("DATA_INSTALLO"), revisione = rs->Valore("DATA_REVISIONE");
        AutoImp[0]->setText(Parte(installo, "dd"));
        AutoImp[1]->setText(Parte(installo, "MM"));
        AutoImp[2]->setText(Parte(installo, "yyyy"));
        AutoImp[3]->setText(Parte(revisione, "dd"));
        AutoImp[4]->setText(Parte(revisione, "MM"));
        AutoImp[5]->setText(Parte(revisione, "yyyy"));
        AutoImp[6]->setText(Testo(rs->Valore("NOTE1")));
        AutoImp[7]->setText(Testo(rs->Valore("MARCA_AUTO")));
        AutoImp[8]->setText(Testo(rs->Valore("MODELLO_AUTO")));
        AutoImp[9]->setText(Testo(rs->Valore("CENTRALINA")));
        AutoImp[11]->setText(Testo(rs->Valore("MOD_VALVOLA")));
        const QVariant tipo = rs->Valore("TIPO_INSTALLAZIONE"), impianto = rs->Valore("IMPIANTO");
        AutoImp[12]->setText(Msg(tipo.isNull() ? 277 : tipo.toInt() == 0 ? 118 : tipo.toInt() == 1 ? 119 : 277));
        AutoImp[13]->setText(Msg(impianto.isNull() ? 283 : impianto.toInt() == 0 ? 121 : impianto.toInt() == 1 ? 122 : 283));
        MarcaAuto = Testo(rs->Valore("MARCA_AUTO")).trimmed();
        const QVariant tipoTab = rs->Valore("TIPOTAB");
        CatalogoModello(MarcaAuto, AutoImp[8]->text(), AutoImp[9]->text(), tipoTab.isNull() ? 0 : tipoTab.toInt());
    } catch (const Db::ErroreDb&) {
        CancelloInf();
        DatiCli->setEnabled(false);
        Beep();
        return;
    }
    m_targaMostrata = chiave;
    DatiCli->setCurrentIndex(0);
    DatiCli->setEnabled(true);
    DatiCli->setFocus();
}

// The make catalogue of the record's car (from the staging folder when the record says so):
// the line whose model key is the stored MODELLO_AUTO gives the number of distributors and
// the petrol-ECU slot. No catalogue or no such model leaves both empty.
void Cancella::CatalogoModello(const QString& marca, const QString& modello, const QString& centralina, int tipoTab)
{
    AutoImp[10]->clear();
    CentralinaSel.clear();
    if (!Files::ComponenteValido(marca) || modello.trimmed().isEmpty())
        return;
    const QString percorso = PercorsoCatalogo(tipoTab == 1 ? QStringLiteral("TEMPOR/") + marca : marca);
    RecordCatalogo r;
    if (!Esiste(percorso) || !CercoModelloCatalogo(percorso, modello.trimmed(), r))
        return;
    for (int slot = 1; slot <= 3; ++slot) {
        if (r.CentralinaTesto(slot).trimmed().compare(centralina.trimmed(), Qt::CaseInsensitive) == 0 &&
            !centralina.trimmed().isEmpty()) {
            CentralinaSel = QStringLiteral("CENTRAL") + QString::number(slot);
            break;
        }
    }
    AutoImp[10]->setText(QString::fromLatin1(r.Valvole).trimmed());
    ModelloAuto = r.ModelloTesto();
}

void Cancella::Elimino_Click()
{
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!rs || Cliente->text().trimmed().isEmpty())
        return;
    const QString chiave = Archivi::ChiaveTarga(Cliente->text());
    if (chiave != m_targaMostrata) {
        // Only the customer on the tabs is deleted: a plate typed since then is read and
        // shown first, so the user sees whom the next click deletes.
        LeggoClienteIns();
        return;
    }
    Cliente->setText(chiave);
    try {
        rs->ImpostaIndice("PER_TARGA_AUTO");
        rs->Seek("=", chiave);
        if (rs->NoMatch())
            return;
        rs->Delete();
    } catch (const Db::ErroreDb&) {
        // The customer is still there and still shown: say so.
        Beep();
        Avviso(178);
        return;
    }
    Beep();
    Avviso(279);
    CancelloInf();
    DatiCli->setEnabled(false);
    Cliente->setText(QString());
    Ditta_Nome->setText(QString());
    if (Cliente->isEnabled()) {
        Cliente->setFocus();
    } else {
        rs->ImpostaIndice("PER_NOME");
        Ditta_Nome->setFocus();
    }
}

void Cancella::Esci_Click() { Scarica(); }

void Cancella::Form_KeyDown(int& keyCode, int shift)
{
    if (shift != 0)
        return;
    if ((keyCode == Tasti::F1 || keyCode == Tasti::F2) && DatiCli->isEnabled()) {
        DatiCli->setCurrentIndex(keyCode == Tasti::F1 ? 0 : 1);
        keyCode = 0;
    } else if (keyCode == Tasti::Esc) {
        keyCode = 0;
        Esci_Click();
    }
}

void Cancella::Form_KeyPress(int& ascii)
{
    QWidget* fuoco = qobject_cast<QWidget*>(ControlloTasto());
    if (fuoco == Cliente) {
        if (ascii == ' ') {
            Cliente->clear();
            ascii = 0;
        } else if (ascii == 13) {
            ascii = 0;
            LeggoClienteIns();
        } else if (!(ascii == 8 || (ascii >= '0' && ascii <= '9') || (ascii >= 'A' && ascii <= 'Z') ||
                     (ascii >= 'a' && ascii <= 'z'))) {
            ascii = 0;
            Beep();
        }
    } else if (fuoco == Ditta_Nome && ascii == 13) {
        ascii = 0;
        LeggoClienteIns();
    } else if (fuoco == ElencoTarghe && ascii == 13) {
        ascii = 0;
        ElencoTarghe_DblClick();
    } else if (fuoco == ElencoNomi && ascii == 13) {
        ascii = 0;
        ElencoNomi_DblClick();
    } else if (fuoco && (fuoco == DatiCli || DatiCli->isAncestorOf(fuoco)) && ascii == 13) {
        ascii = 0;
        Elimino->setFocus();
    }
}

bool Cancella::eventFilter(QObject* o, QEvent* e)
{
    if (o == Ditta_Nome && e->type() == QEvent::FocusIn)
        Ditta_Nome_GotFocus();
    return FormBase::eventFilter(o, e);
}

void Cancella::Form_Resize()
{
    const int w = width();
    Intitolo->setGeometry(0, 0, w, Intitolo->height());
    const int sinistra = (w - DatiCli->width()) / 2;
    DatiCli->move(sinistra, 190);
    Nome_Targa->move(sinistra, 55);
    Ditta_Nome->move(Nome_Targa->x() + Nome_Targa->width() + 7, 60);
    ElencoNomi->move(Ditta_Nome->x() + Ditta_Nome->width() + 7, 55);
    Cliente->move(Ditta_Nome->x(), 60);
    ElencoTarghe->move(Cliente->x() + Cliente->width() + 7, 55);
    const int basso = DatiCli->y() + DatiCli->height() + 10;
    Elimino->move(static_cast<int>(0.4 * w) - Elimino->width(), basso);
    Esci->move(static_cast<int>(0.6 * w), basso);
    LogoZEQ->move(10, basso);
    LogoQox->move(w - LogoQox->width() - 10, basso);
}
