#include "archive/LettRev.h"

#include "archive/Archivio.h"
#include "archive/Lettere.h"
#include "archive/Stampa.h"
#include "platform/ExternalProgram.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>

#include <algorithm>

namespace {

const int Lunghezze[3] = {2, 2, 4};

QString Testo(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

// Prints one letter as its own document; false when the printer or PDF file failed.
bool StampoLettera(const QStringList& righe)
{
    std::unique_ptr<QPrinter> stampante = Stampa::NuovaStampante(QStringLiteral("LETTERA"));
    if (!stampante)
        return false;
    QPainter p;
    if (!p.begin(stampante.get()))
        return false;
    QFont font(QStringLiteral("Courier New"), 11);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    p.setFont(font);
    const int riga = p.fontMetrics().lineSpacing();
    const QRect area = stampante->pageLayout().paintRectPixels(stampante->resolution());
    // A line wider than the page goes on in the lines below rather than off the edge.
    const int colonne = area.width() / std::max(1, p.fontMetrics().horizontalAdvance(QLatin1Char('M')));
    int y = riga;
    for (const QString& r : righe) {
        for (const QString& pezzo : Lettere::ACapo(r, colonne)) {
            if (y > area.height()) {
                if (!stampante->newPage()) {
                    p.end();
                    return false;
                }
                y = riga;
            }
            p.drawText(0, y, pezzo);
            y += riga;
        }
    }
    return Stampa::ConcludoLavoro(p, *stampante);
}

} // namespace

LettRev::LettRev()
{
    resize(760, 460);
    Intitolo = CreoIntitolo(this);
    Intitolo->setFixedHeight(40);
    LabRev = new QLabel(this);
    LabRev->setWordWrap(true);
    LabRev->setAlignment(Qt::AlignCenter);
    LabRev->setFixedSize(600, 60);
    for (int i = 0; i < 3; ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString("DataAvv%1").arg(i));
        e->setMaxLength(Lunghezze[i]);
        e->setFixedWidth(i == 2 ? 60 : 40);
        e->setAlignment(Qt::AlignCenter);
        DataAvv.append(e);
    }
    for (int i = 0; i < 2; ++i) {
        auto* l = new QLabel("/", this);
        l->setFixedWidth(10);
        LabCli.append(l);
    }
    LabStampa = new QLabel(this);
    LabStampa->setAlignment(Qt::AlignCenter);
    LabStampa->setFixedSize(400, 30);
    auto bottone = [&](const char* nome) {
        auto* b = new QPushButton(this);
        b->setObjectName(nome);
        b->setFixedSize(110, 70);
        return b;
    };
    Stampa = bottone("Stampa");
    Modifica = bottone("Modifica");
    Esci = bottone("Esci");
    LogoQox = new QLabel(this);
    LogoQox->setFixedSize(100, 60);
    LogoZEQ = new QLabel(this);
    LogoZEQ->setFixedSize(100, 60);
    connect(Stampa, &QPushButton::clicked, this, &LettRev::Stampa_Click);
    connect(Modifica, &QPushButton::clicked, this, &LettRev::Modifica_Click);
    connect(Esci, &QPushButton::clicked, this, &LettRev::Esci_Click);
}

void LettRev::Form_Load()
{
    CaricoImmagine(IdRisorsa(130), Stampa);
    CaricoImmagine(IdRisorsa(131), Modifica);
    CaricoImmagine(IdRisorsa(132), Esci);
    CaricoImmagine(3011, LogoQox);
    CaricoImmagine(3008, LogoZEQ);
    LabRev->setText(Msg(281));
    Intitolo->setText(Msg(280));
    setWindowTitle(Msg(280));
    for (QLineEdit* e : DataAvv)
        e->clear();
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice("PER_TARGA_AUTO");
    Form_Resize();
}

void LettRev::DataAvv_GotFocus(int i) { DataAvv[i]->setText(DataAvv[i]->text().trimmed()); }

void LettRev::DataAvv_LostFocus(int i)
{
    const int n = Lunghezze[i];
    const QString t = DataAvv[i]->text().trimmed();
    DataAvv[i]->setText(t.isEmpty() ? QString(n, ' ') : (QString(n, '0') + t).right(n));
}

void LettRev::Stampa_Click()
{
    const QString modello = Files::PercorsoApp(Lettere::NomeModello(Shell.Lingua));
    if (!Esiste(modello)) {
        Avviso(285);
        return;
    }
    const QDate scadenza = Archivi::DataDaParti(DataAvv[0]->text(), DataAvv[1]->text(), DataAvv[2]->text());
    if (!scadenza.isValid())
        return;
    if (!::Stampa::StampanteDisponibile()) {
        Beep();
        Avviso(296);
        return;
    }
    LabStampa->setText(Msg(293));
    LabStampa->repaint();
    QApplication::processEvents();

    bool errore = false;
    m_lettere = 0;
    QByteArray dati;
    if (!Files::LeggiTutto(modello, dati) || !Archivio.DbArchivio) {
        errore = true;
    } else {
        const bool utf8 = Lettere::Utf8Valido(dati);
        const QStringList righe = Lettere::Righe(Lettere::Decodifica(dati, Shell.Lingua));
        const QString unita = Files::PercorsoApp("TEMPLE.TXT");
        try {
            // Customers without an overhaul date are not due: they are left out, not the end of the run.
            auto s = Archivio.DbArchivio->ApriSnapshot(
                "SELECT * FROM CLIENTI WHERE DATA_REVISIONE IS NOT NULL AND DATA_REVISIONE <= ? "
                "ORDER BY DATA_REVISIONE, DITTA_NOME",
                {scadenza});
            for (; !s->EOF_() && !errore; s->MoveNext()) {
                Lettere::DatiLettera d;
                d.saluto = Msg(s->Valore("TIPO_DITTA").toInt() == 0 && !s->Valore("TIPO_DITTA").isNull() ? 294 : 295);
                d.nome = Testo(s->Valore("DITTA_NOME"));
                d.indirizzo = Testo(s->Valore("INDIRIZZO"));
                d.cap = Testo(s->Valore("CAP"));
                d.citta = Testo(s->Valore("CITTA"));
                d.provincia = Testo(s->Valore("PROVINCIA"));
                d.revisione = s->Valore("DATA_REVISIONE").toDate();
                d.oggi = QDate::currentDate();
                QStringList lettera;
                QString testo;
                for (const QString& r : righe) {
                    lettera << Lettere::UnisciRiga(r, d);
                    testo += lettera.last() + "\r\n";
                }
                if (!Files::ScriviAtomico(unita, Lettere::Codifica(testo, Shell.Lingua, utf8)) || !StampoLettera(lettera)) {
                    errore = true;
                    break;
                }
                ++m_lettere;
            }
        } catch (const Db::ErroreDb&) {
            errore = true;
        }
    }
    LabStampa->clear();
    Beep();
    Avviso(errore ? 203 : 282);
}

void LettRev::Abilito(bool si)
{
    for (QLineEdit* e : DataAvv)
        e->setEnabled(si);
    Stampa->setEnabled(si);
    Modifica->setEnabled(si);
    Esci->setEnabled(si);
}

void LettRev::Modifica_Click()
{
    Abilito(false);
    const QString programma = ProgrammaEsterno(QStringLiteral("WORDPAD.EXE"));
    // The remembered folder, else PATH, else the drives; a folder found is remembered.
    const QString cartella = CartellaProgrammaEsterno(QStringLiteral("WORDPAD"), QStringLiteral("WORDPAD.EXE"));
    LabStampa->clear();
    if (!cartella.isEmpty()) {
        const EsitoProgramma esito = AvvioEAttendo(Files::Percorso(cartella, programma),
                                                   {Files::PercorsoApp(Lettere::NomeModello(Shell.Lingua))});
        // An editor that is there but will not start, or ends in failure (the desktop's opener
        // exits with 4 when nothing handles the file), is as good as missing for the user.
        if (!esito.avviato || !esito.terminato || esito.codice != 0)
            Avviso(284);
    } else {
        Avviso(284);
    }
    Abilito(true);
    Modifica->setFocus();
}

void LettRev::Esci_Click() { Scarica(); }

void LettRev::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void LettRev::Form_KeyPress(int& ascii)
{
    const int i = DataAvv.indexOf(qobject_cast<QLineEdit*>(ControlloTasto()));
    if (i < 0)
        return;
    if (ascii == ' ') {
        DataAvv[i]->clear();
        ascii = 0;
    } else if (ascii == 13) {
        ascii = 0;
        if (i < 2)
            DataAvv[i + 1]->setFocus();
        else
            Stampa->setFocus();
    } else if (!(ascii == 8 || (ascii >= '0' && ascii <= '9'))) {
        ascii = 0;
        Beep();
    }
}

bool LettRev::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
        const int i = DataAvv.indexOf(qobject_cast<QLineEdit*>(o));
        if (i >= 0) {
            if (e->type() == QEvent::FocusIn)
                DataAvv_GotFocus(i);
            else
                DataAvv_LostFocus(i);
        }
    }
    return FormBase::eventFilter(o, e);
}

void LettRev::Form_Resize()
{
    const int w = width(), h = height();
    Intitolo->setGeometry(0, 0, w, Intitolo->height());
    LabRev->move((w - LabRev->width()) / 2, 70);
    LabStampa->move((w - LabStampa->width()) / 2, 230);
    const int y = 160;
    DataAvv[1]->move((w - DataAvv[1]->width()) / 2, y);
    DataAvv[0]->move(DataAvv[1]->x() - 48 - DataAvv[0]->width() + DataAvv[1]->width() / 2, y);
    DataAvv[2]->move(DataAvv[1]->x() + DataAvv[1]->width() + 48 - DataAvv[1]->width() / 2, y);
    LabCli[0]->move((DataAvv[0]->x() + DataAvv[0]->width() + DataAvv[1]->x()) / 2 - 3, y + 4);
    LabCli[1]->move((DataAvv[1]->x() + DataAvv[1]->width() + DataAvv[2]->x()) / 2 - 3, y + 4);
    const int top = static_cast<int>(0.9 * h) - Modifica->height();
    Modifica->move((w - Modifica->width()) / 2, top);
    Stampa->move(Modifica->x() - Modifica->width() / 3 - Stampa->width(), top);
    Esci->move(Modifica->x() + Modifica->width() + Modifica->width() / 3, top);
    LogoZEQ->move(static_cast<int>(0.01 * w), static_cast<int>(0.95 * h) - LogoZEQ->height());
    LogoQox->move(w - LogoQox->width(), static_cast<int>(0.95 * h) - LogoQox->height());
}
