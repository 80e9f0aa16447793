#include "archive/Gestione.h"

#include "archive/Archivio.h"
#include "archive/Cancella.h"
#include "archive/Elenco.h"
#include "archive/LettRev.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

Gestione::Gestione()
{
    resize(800, 560);
    Intitolo = CreoIntitolo(this);
    Intitolo->setFixedHeight(50);
    auto bottone = [&](const char* nome) {
        auto* b = new QPushButton(this);
        b->setObjectName(nome);
        b->setFixedSize(120, 90);
        return b;
    };
    Elimino = bottone("Elimino");
    Revisio = bottone("Revisio");
    Lista = bottone("Lista");
    Esci = bottone("Esci");
    LogoZEQ = new QLabel(this);
    LogoZEQ->setFixedSize(160, 100);
    LogoQox = new QLabel(this);
    LogoQox->setFixedSize(160, 100);
    connect(Elimino, &QPushButton::clicked, this, &Gestione::Elimino_Click);
    connect(Revisio, &QPushButton::clicked, this, &Gestione::Revisio_Click);
    connect(Lista, &QPushButton::clicked, this, &Gestione::Lista_Click);
    connect(Esci, &QPushButton::clicked, this, &Gestione::Esci_Click);
}

void Gestione::Form_Load()
{
    CaricoImmagine(3011, LogoQox);
    CaricoImmagine(3008, LogoZEQ);
    Intitolo->setText(Msg(278));
    setWindowTitle(Msg(278));
    CaricoImmagine(IdRisorsa(127), Elimino);
    CaricoImmagine(IdRisorsa(128), Revisio);
    CaricoImmagine(IdRisorsa(129), Lista);
    CaricoImmagine(IdRisorsa(132), Esci);
    m_aperto = Archivi::AproArchivio();
    Shell.PuntatoreMouse = PuntatoreAttuale();
    Form_Resize();
    if (!m_aperto) {
        // The user has been told why; the menu goes away as soon as it runs.
        QTimer::singleShot(0, this, [this] { Scarica(); });
    }
}

void Gestione::Elimino_Click()
{
    if (Cancella* c = Cancella::Carica())
        c->Mostra(true);
    update();
}

void Gestione::Revisio_Click()
{
    if (LettRev* l = LettRev::Carica())
        l->Mostra(true);
    update();
}

void Gestione::Lista_Click()
{
    if (Elenco* e = Elenco::Carica())
        e->Mostra(true);
    update();
}

void Gestione::Esci_Click()
{
    Archivi::ChiudoArchivio();
    Scarica();
}

void Gestione::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void Gestione::Form_Unload(bool& cancel)
{
    Q_UNUSED(cancel)
    // Whichever way the menu is left, the archive is closed with it.
    Archivi::ChiudoArchivio();
}

void Gestione::Form_Resize()
{
    const int w = width(), h = height();
    Intitolo->setGeometry(0, 0, w, Intitolo->height());
    const int top = h - Elimino->height() - h / 10;
    QPushButton* bottoni[] = {Elimino, Revisio, Lista, Esci};
    for (int i = 0; i < 4; ++i)
        bottoni[i]->move((i + 1) * w / 5 - bottoni[i]->width() / 2, top);
    const int logoTop = Intitolo->height() + static_cast<int>(0.02 * (w - Intitolo->height()));
    LogoZEQ->move(static_cast<int>(0.05 * w), logoTop);
    LogoQox->move(w - LogoQox->width() - static_cast<int>(0.02 * w), logoTop);
}

bool AproGestione()
{
    if (Gestione* g = Gestione::Carica())
        g->Mostra(true);
    return true;
}
