#include "catalogue/AggModel.h"

#include "catalogue/MediaImport.h"
#include "catalogue/Catalogue.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>

namespace {
AggModel::SceltaCartella g_scelta;
}

void AggModel::ImpostaSceltaCartella(SceltaCartella scelta)
{
    g_scelta = std::move(scelta);
}

QString AggModel::CartellaPartenza()
{
    // A removable volume is mounted below /media/<user> or /run/media/<user>: start in the
    // folder that lists them.
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString radice = v.rootPath();
        if (v.isValid() && v.isReady()
            && (radice.startsWith(QLatin1String("/media/")) || radice.startsWith(QLatin1String("/run/media/"))))
            return QFileInfo(radice).absolutePath();
    }
    const QString utente = qEnvironmentVariable("USER");
    const QStringList candidati = {QStringLiteral("/run/media/") + utente, QStringLiteral("/media/") + utente,
                                   QStringLiteral("/media"), QStringLiteral("/mnt")};
    for (const QString& c : candidati)
        if (!utente.isEmpty() && QFileInfo(c).isDir())
            return c;
    return QDir::homePath();
}

AggModel::AggModel()
{
    resize(640, 480);
    Intitolo = CreoIntitolo(this);

    BoxModel = new QGroupBox(this);
    BoxModel->setGeometry(0, 60, 500, 280);
    for (int i = 0; i < 4; ++i) {
        LabModel[i] = new QLabel(BoxModel);
        LabModel[i]->setWordWrap(true);
    }
    LabModel[0]->setGeometry(16, 20, 468, 24);
    DiscoOr = new QPushButton(QStringLiteral("..."), BoxModel);
    Direttiva = new QLineEdit(BoxModel);
    Direttiva->setGeometry(16, 50, 420, 26);
    DiscoOr->setGeometry(444, 50, 40, 26);
    LabModel[1]->setGeometry(16, 88, 340, 24);
    Tastook = new QPushButton(QStringLiteral("OK"), BoxModel);
    Tastook->setGeometry(384, 86, 100, 28);
    LabSegna = new QLabel(BoxModel);
    LabSegna->setGeometry(16, 128, 468, 24);
    LabSegna->hide();
    LabModel[2]->setGeometry(16, 160, 468, 44);
    LabModel[3]->setGeometry(16, 212, 468, 44);

    LogoZEQ = new QLabel(this);
    LogoZEQ->setGeometry(0, 0, 120, 60);
    LogoZEQ->setScaledContents(true);
    Esci = new QPushButton(this);
    Esci->setGeometry(0, 0, 100, 40);
    Esci->setIconSize(QSize(90, 34));

    connect(DiscoOr, &QPushButton::clicked, this, [this] { DiscoOr_Click(); });
    connect(Tastook, &QPushButton::clicked, this, [this] { Tastook_Click(); });
    connect(Esci, &QPushButton::clicked, this, [this] { Esci_Click(); });
}

void AggModel::Form_Load()
{
    CaricoImmagine(3008, LogoZEQ);
    CaricoImmagine(IdRisorsa(132), Esci);
    setWindowTitle(Msg(322));
    Intitolo->setText(Msg(322));
    LabModel[0]->setText(Msg(319));
    LabModel[1]->setText(Msg(320));
    LabModel[2]->clear();
    LabModel[3]->clear();
    LabSegna->setText(Msg(321));
    Form_Resize();
}

void AggModel::Form_Resize()
{
    if (!Intitolo)
        return;
    const int w = width();
    const int h = height();
    Intitolo->setGeometry(0, 10, w, 40);
    BoxModel->move((w - BoxModel->width()) / 2, BoxModel->y());
    const int logoX = int(w * 0.05);
    const int logoY = h - LogoZEQ->height() - int(h * 0.05);
    LogoZEQ->move(logoX, logoY);
    Esci->move(BoxModel->x() + BoxModel->width() - Esci->width(), logoY + LogoZEQ->height() - Esci->height());
}

void AggModel::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void AggModel::ChiusuraUtente()
{
    // An update in progress cannot be closed by the user.
    if (m_inCorso)
        return;
    Scarica();
}

void AggModel::Esci_Click()
{
    if (m_inCorso)
        return;
    Scarica();
}

void AggModel::DiscoOr_Click()
{
    const QString partenza = Direttiva->text().trimmed().isEmpty() ? CartellaPartenza() : Direttiva->text().trimmed();
    const QString scelta = g_scelta ? g_scelta(this, partenza)
                                    : QFileDialog::getExistingDirectory(this, Msg(319), partenza);
    if (!scelta.isEmpty())
        Direttiva->setText(QDir::toNativeSeparators(scelta));
}

void AggModel::Abilito(bool si)
{
    DiscoOr->setEnabled(si);
    Direttiva->setEnabled(si);
    Esci->setEnabled(si);
    Tastook->setEnabled(si);
}

void AggModel::Mostro(QLabel* etichetta, const QString& testo)
{
    etichetta->setText(testo);
    // The kind of file being imported is on screen before its import starts.
    if (isVisible())
        repaint();
}

void AggModel::Tastook_Click()
{
    if (m_inCorso)
        return;
    m_inCorso = true;
    Abilito(false);
    LabModel[3]->clear();
    LabSegna->show();

    const QString cartella = QDir::fromNativeSeparators(Direttiva->text().trimmed());
    QFileInfoList trovati;
    if (!cartella.isEmpty() && QFileInfo(cartella).isDir()) {
        // "*.DAT": the extension is exactly ".DAT", in any case.
        const QFileInfoList voci = QDir(cartella).entryInfoList(QDir::Files | QDir::Hidden | QDir::System,
                                                                QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& fi : voci) {
            const QString nome = fi.fileName().toUpper();
            if (nome.endsWith(QLatin1String(".DAT")) && nome.size() > 4)
                trovati.append(fi);
        }
    }

    int risultato = Importo::Nessuno;
    bool interrotto = false;
    // An update file whose name does not decode is missing from the search: it fails.
    for (const QByteArray& n : Files::NomiIllegibili(cartella)) {
        if (n.toUpper().endsWith(".DAT")) {
            risultato = Importo::Errore;
            interrotto = true;
            Beep();
            Avviso(329);
            break;
        }
    }
    // Nothing is replaced unless every file the update would replace can be: a read-only file
    // is the person's. The one that stops the update is named, with the reason.
    QString causa;
    for (const QFileInfo& fi : trovati) {
        QString ostacolo;
        if (!Sostituibili(fi.fileName(), cartella, ostacolo)) {
            causa = CauseText(ostacolo);
            risultato = Importo::Errore;
            interrotto = true;
            Beep();
            Avviso(329, 140, 0, causa);
            break;
        }
    }
    for (const QFileInfo& fi : causa.isEmpty() ? trovati : QFileInfoList()) {
        const QString nome = fi.fileName().toUpper();
        const TipoAggiornamento tipo = TipoFileAggiornamento(nome);
        if (tipo == TipoAggiornamento::Valvole) {
            Mostro(LabModel[2], Msg(324));
            risultato = ImportoValvole(fi.fileName(), cartella);
        } else if (tipo == TipoAggiornamento::FileDati) {
            Mostro(LabModel[2], Msg(325));
            risultato = ImportoFileDati(fi.fileName(), cartella);
        } else if (tipo == TipoAggiornamento::VersioneDati) {
            Mostro(LabModel[2], Msg(326));
            if (!Files::CopiaAtomica(fi.filePath(), Files::PercorsoApp(nome))) {
                // A copy that fails abandons the search.
                risultato = Importo::Errore;
                interrotto = true;
                break;
            }
            risultato = Importo::Fatto;
        } else {
            Mostro(LabModel[2], Msg(327));
            risultato = ImportoModelli(fi.fileName(), cartella);
        }
        if (risultato != Importo::Fatto) {
            if (risultato == Importo::Errore)
                interrotto = true;
            Beep();
            Avviso(329);
        }
    }

    Abilito(true);
    LabSegna->hide();
    m_inCorso = false;
    if (trovati.isEmpty() && !interrotto) {
        LabModel[2]->setText(Msg(323));
    } else if (interrotto) {
        LabModel[3]->setText(Msg(329) + causa);
    } else if (risultato == Importo::Nessuno) {
        LabModel[3]->setText(Msg(323));
    } else {
        LabModel[2]->clear();
        LabModel[3]->setText(Msg(328));
    }
}
