#include "archive/Elenco.h"

#include "archive/Archivio.h"
#include "archive/Rapporto.h"
#include "archive/Stampa.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

Elenco::Elenco()
{
    resize(760, 520);
    TitoloEl = new QLabel(this);
    TitoloEl->setAlignment(Qt::AlignCenter);
    QFont f = TitoloEl->font();
    f.setPointSize(14);
    f.setBold(true);
    TitoloEl->setFont(f);
    TitoloEl->setFixedHeight(40);
    Box_Stampe = new QGroupBox(this);
    Box_Stampe->setFixedSize(620, 260);
    for (int i = 0; i < 2; ++i) {
        auto* r = new QRadioButton(Box_Stampe);
        r->setGeometry(20 + i * 300, 25, 250, 24);
        S_Lista.append(r);
        auto* l = new QLabel(Box_Stampe);
        l->setGeometry(20 + i * 300, 60, 250, 20);
        LabLista.append(l);
        auto* e = new QLineEdit(Box_Stampe);
        e->setObjectName(QString("Ditta_Nome%1").arg(i));
        e->setMaxLength(50);
        e->setGeometry(20 + i * 300, 82, 280, 26);
        Ditta_Nome.append(e);
        auto* lista = new QListWidget(Box_Stampe);
        lista->setGeometry(20 + i * 300, 112, 280, 135);
        ElencoNomi.append(lista);
        connect(r, &QRadioButton::toggled, this, [this, i](bool) { S_Lista_Click(i); });
        connect(e, &QLineEdit::textChanged, this, [this, i] { Ditta_Nome_Change(i); });
        connect(lista, &QListWidget::itemDoubleClicked, this, [this, i] { ElencoNomi_DblClick(i); });
    }
    Segnalo = new QLabel(this);
    Segnalo->setAlignment(Qt::AlignCenter);
    Segnalo->setFixedSize(400, 24);
    Stampa = new QPushButton(this);
    Stampa->setObjectName("Stampa");
    Stampa->setFixedSize(110, 70);
    Esci = new QPushButton(this);
    Esci->setObjectName("Esci");
    Esci->setFixedSize(110, 70);
    LogoZEQ = new QLabel(this);
    LogoZEQ->setFixedSize(100, 60);
    LogoQox = new QLabel(this);
    LogoQox->setFixedSize(100, 60);
    connect(Stampa, &QPushButton::clicked, this, &Elenco::Stampa_Click);
    connect(Esci, &QPushButton::clicked, this, &Elenco::Esci_Click);
}

void Elenco::Form_Load()
{
    CaricoImmagine(3011, LogoQox);
    CaricoImmagine(3008, LogoZEQ);
    if (Archivio.RsClienti)
        Archivio.RsClienti->ImpostaIndice("PER_NOME");
    TitoloEl->setText(Msg(286));
    setWindowTitle(Msg(286));
    Box_Stampe->setTitle(Msg(287));
    S_Lista[0]->setText(Msg(288));
    S_Lista[1]->setText(Msg(289));
    LabLista[0]->setText(Msg(290));
    LabLista[1]->setText(Msg(291));
    CaricoImmagine(IdRisorsa(132), Esci);
    CaricoImmagine(IdRisorsa(130), Stampa);
    S_Lista[0]->setChecked(true);
    S_Lista_Click(0);
    Form_Resize();
}

void Elenco::S_Lista_Click(int index)
{
    if (!S_Lista[index]->isChecked())
        return;
    if (index == 0) {
        Ditta_Nome[0]->clear();
        Ditta_Nome[1]->clear();
        for (int i = 0; i < 2; ++i) {
            LabLista[i]->setEnabled(false);
            Ditta_Nome[i]->setEnabled(false);
            ElencoNomi[i]->setEnabled(false);
        }
        return;
    }
    for (int i = 0; i < 2; ++i) {
        LabLista[i]->setEnabled(true);
        Ditta_Nome[i]->setEnabled(true);
        ElencoNomi[i]->setEnabled(true);
    }
    // The range starts as the whole archive: first name to last name.
    QString primo, ultimo;
    if (Db::Recordset* rs = Archivio.RsClienti.get()) {
        try {
            rs->ImpostaIndice("PER_NOME");
            rs->MoveFirst();
            if (!rs->EOF_()) {
                primo = rs->Valore("DITTA_NOME").toString();
                rs->MoveLast();
                ultimo = rs->Valore("DITTA_NOME").toString();
            }
        } catch (const Db::ErroreDb&) {
            Beep();
        }
    }
    Ditta_Nome[0]->setText(primo);
    Ditta_Nome[1]->setText(ultimo);
}

void Elenco::Ditta_Nome_Change(int index)
{
    ElencoNomi[index]->clear();
    Db::Recordset* rs = Archivio.RsClienti.get();
    if (!rs)
        return;
    try {
        rs->ImpostaIndice("PER_NOME");
        Archivi::ScorroPrefisso(*rs, "DITTA_NOME", Ditta_Nome[index]->text(),
                                [&] { ElencoNomi[index]->addItem(rs->Valore("DITTA_NOME").toString()); });
    } catch (const Db::ErroreDb&) {
        Beep();
    }
}

void Elenco::ElencoNomi_DblClick(int index)
{
    QListWidgetItem* voce = ElencoNomi[index]->currentItem();
    if (!voce)
        return;
    Ditta_Nome[index]->setText(voce->text());
    if (index == 0)
        Ditta_Nome[1]->setFocus();
    else
        Stampa->setFocus();
}

void Elenco::Stampa_Click()
{
    if (!::Stampa::StampanteDisponibile()) {
        Beep();
        Avviso(296);
        return;
    }
    const QString file = Files::PercorsoApp(Rapporto::NomeLayout(Shell.Lingua));
    Rapporto::Layout layout;
    if (!Esiste(file) || !Rapporto::Leggi(file, layout)) {
        Beep();
        Segnalo->setText(Msg(292));
        return;
    }
    m_righe = -1;
    try {
        if (!Archivio.DbArchivio)
            throw Db::ErroreDb(Db::Err::OggettoChiuso, "archive closed");
        std::unique_ptr<Db::Snapshot> righe;
        QString sottotitolo;
        if (S_Lista[1]->isChecked()) {
            // The range ends are bound values: any character in a name is just a character.
            const QString da = Ditta_Nome[0]->text().trimmed(), a = Ditta_Nome[1]->text().trimmed();
            righe = Archivio.DbArchivio->ApriSnapshot(
                "SELECT * FROM CLIENTI WHERE DITTA_NOME >= ? AND DITTA_NOME <= ? ORDER BY DITTA_NOME, TARGA_AUTO", {da, a});
            sottotitolo = Msg(290) + " " + da + "  " + Msg(291) + " " + a;
        } else {
            // Every customer, empty names and names after "Z" included.
            righe = Archivio.DbArchivio->ApriSnapshot("SELECT * FROM CLIENTI ORDER BY DITTA_NOME, TARGA_AUTO");
        }
        std::unique_ptr<QPrinter> stampante = ::Stampa::NuovaStampante(Msg(286));
        if (!stampante) {
            Beep();
            Avviso(296);
            return;
        }
        m_righe = Rapporto::Stampa(*stampante, layout, *righe, sottotitolo);
    } catch (const Db::ErroreDb&) {
        m_righe = -1;
    }
    if (m_righe < 0) {
        Beep();
        Avviso(297);
    }
}

void Elenco::Esci_Click() { Scarica(); }

void Elenco::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void Elenco::Form_Resize()
{
    const int w = width(), h = height();
    TitoloEl->setGeometry(0, 0, w, TitoloEl->height());
    Box_Stampe->move(w / 2 - Box_Stampe->width() / 2, 55);
    Segnalo->move(w / 2 - Segnalo->width() / 2, 325);
    const int top = h - Stampa->height() - h / 10;
    Stampa->move(w / 2 - Stampa->width() - static_cast<int>(0.05 * w), top);
    Esci->move(w / 2 + static_cast<int>(0.05 * w), top);
    const int logo = h - LogoZEQ->height() - static_cast<int>(0.05 * h);
    LogoZEQ->move(static_cast<int>(0.05 * w), logo);
    LogoQox->move(w - LogoQox->width() - static_cast<int>(0.05 * w), logo);
}
