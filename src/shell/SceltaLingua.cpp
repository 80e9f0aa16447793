#include "shell/SceltaLingua.h"
#include "shell/Modulo.h"
#include "shell/ZEQ_Inst.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "platform/Timer.h"

#include <QLabel>
#include <QPushButton>


void LeggoLingua()
{
    Shell.Lingua = 0;
    const QString file = Files::PercorsoApp(QStringLiteral("LANGUAGE.ASC"));
    if (!Esiste(file, 0))
        return;
    const QByteArray riga = Files::PrimaRiga(file);
    if (riga.isEmpty())
        return;
    const char c = riga.at(0);
    if (c >= '1' && c <= '4')
        Shell.Lingua = c - '0';
}

bool ScrivoLingua(int lingua)
{
    const QByteArray contenuto = QByteArray::number(lingua) + "\r\n";
    return Files::ScriviAtomico(Files::PercorsoApp(QStringLiteral("LANGUAGE.ASC")), contenuto);
}

int SceltaLingua::LinguaDelTasto(int index)
{
    static const int lingue[4] = {1, 4, 2, 3};
    return (index >= 0 && index < 4) ? lingue[index] : 0;
}

SceltaLingua::SceltaLingua()
{
    setWindowTitle(QString::fromLatin1(TitoloProgramma).trimmed());
    resize(Twip(9600), Twip(7200));
    Sfondo = new QLabel(this);
    Sfondo->setObjectName(QStringLiteral("Sfondo"));
    Intitolo = CreoIntitolo(this, QString::fromLatin1(TitoloProgramma), true);
    Segnalazione = new QLabel(QStringLiteral("CLICK THE FLAG IN ORDER TO CHOOSE THE LANGUAGE"), this);
    Segnalazione->setObjectName(QStringLiteral("Segnalazione"));
    Segnalazione->setAlignment(Qt::AlignCenter);
    QFont fs = Segnalazione->font();
    fs.setBold(true);
    Segnalazione->setFont(fs);
    for (int i = 0; i < 2; ++i) {
        Logo1[i] = new QLabel(this);
        Logo1[i]->setObjectName(QStringLiteral("Logo1_%1").arg(i));
        Logo1[i]->resize(Twip(1500), Twip(1100));
        Logo1[i]->hide();
    }
    for (int i = 0; i < 4; ++i) {
        TastoLingua[i] = new QPushButton(this);
        TastoLingua[i]->setObjectName(QStringLiteral("TastoLingua_%1").arg(i));
        TastoLingua[i]->resize(Twip(1215), Twip(855));
        TastoLingua[i]->hide();
        connect(TastoLingua[i], &QPushButton::clicked, this, [this, i] { TastoLingua_Click(i); });
        TastoF[i] = new QLabel(QStringLiteral("F%1").arg(i + 1), this);
        TastoF[i]->setObjectName(QStringLiteral("TastoF_%1").arg(i));
        TastoF[i]->hide();
    }
    Segnalazione->hide();
}

void SceltaLingua::Form_Load()
{
    Form_Resize();
    CaricoImmagine(3006, Sfondo);
    static const int bandiere[4] = {3000, 3003, 3001, 3002};
    // A flag carries no words: a screen reader tells it by its language's own name.
    static const char* const nomi[4] = {"Polski", "English", "Fran\u00e7ais", "Espa\u00f1ol"};
    for (int i : {0, 2, 3, 1}) {
        CaricoImmagine(bandiere[i], TastoLingua[i]);
        TastoLingua[i]->setAccessibleName(QString::fromUtf8(nomi[i]));
    }
    CaricoImmagine(3005, Logo1[0]);
    CaricoImmagine(3004, Logo1[1]);
}

void SceltaLingua::Form_KeyDown(int& keyCode, int shift)
{
    if (shift != 0)
        return;
    if (keyCode >= Tasti::F1 && keyCode <= Tasti::F4) {
        const int index = keyCode - Tasti::F1;
        keyCode = 0;
        TastoLingua_Click(index);
    }
}

void SceltaLingua::TastoLingua_Click(int index)
{
    const int lingua = LinguaDelTasto(index);
    if (lingua == 0)
        return;
    Shell.Lingua = lingua;
    m_scelto = true;
    // A file that cannot be written leaves the choice in force for this run; the next
    // start asks again.
    ScrivoLingua(lingua);
    Scarica();
}

void SceltaLingua::Form_Unload(bool& cancel)
{
    Q_UNUSED(cancel)
    if (!m_scelto) {
        // Closed without a choice: the language in force before comes back; at the first
        // start (none stored) English is used for this run, nothing is written.
        Shell.Lingua = LinguaPrecedente > 0 ? LinguaPrecedente : 4;
    }
    ZEQ_Inst* menu = ZEQ_Inst::Carica();
    menu->Mostra(false);
}

void SceltaLingua::Form_Resize()
{
    const int w = width();
    const int h = height();
    Intitolo->setGeometry(0, 0, w, Intitolo->sizeHint().height());
    const int hTitolo = Intitolo->height();
    const int wSfondo = int(1.35 * h);
    Sfondo->setGeometry((w - wSfondo) / 2, 0, wSfondo, h);
    Sfondo->lower();
    Logo1[0]->move(Twip(240), hTitolo + Twip(240));
    Logo1[1]->move(w - Logo1[1]->width() - Twip(240), hTitolo + Twip(240));
    const int topBandiere = h - int(0.35 * h) + hTitolo;
    for (int i = 0; i < 4; ++i) {
        QPushButton* b = TastoLingua[i];
        const int centro = (i + 1) * w / 5;
        b->move(centro - b->width() / 2, std::min(topBandiere, h - b->height() - Twip(900)));
        TastoF[i]->move(b->x(), b->y() + b->height() + 2);
        b->show();
        TastoF[i]->show();
    }
    Segnalazione->setGeometry(0, std::min(h - int(0.2 * h) + hTitolo, h - Twip(400)), w,
                              Segnalazione->sizeHint().height());
    for (auto* l : Logo1)
        l->show();
    Segnalazione->show();
}
