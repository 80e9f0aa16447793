#include "diagnosis/Pressioni.h"

#include "ecu_link/StatoLink.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Pressioni::Pressioni()
{
    auto* l = new QVBoxLayout(this);
    auto etichetta = [&](const char* nome) {
        auto* w = new QLabel(this);
        w->setObjectName(QLatin1String(nome));
        l->addWidget(w);
        return w;
    };
    auto tasto = [&](const char* nome) {
        auto* w = new QPushButton(QLatin1String(nome), this);
        w->setObjectName(QLatin1String(nome));
        l->addWidget(w);
        return w;
    };
    LabTar = etichetta("LabTar");
    LabDato[0] = etichetta("LabDato0");
    LabDato[1] = etichetta("LabDato1");
    DatoP = etichetta("DatoP");
    LabInf = etichetta("LabInf");
    Tastook = tasto("Tastook");
    TastoOK1 = tasto("TastoOK1");
    TastoOK2 = tasto("TastoOK2");
    TastoOK3 = tasto("TastoOK3");
    TastoOK4 = tasto("TastoOK4");
    TastoRip = tasto("TastoRip");
    TastoEsci = tasto("TastoEsci");
    TastoAbbandona = tasto("TastoAbbandona");
    connect(TastoOK4, &QPushButton::clicked, this, &Pressioni::TastoOK4_Click);
}

void Pressioni::TastoOK4_Click()
{
    Link.FaseCom = FASE_VERIFICA_PRESSIONI;
    Link.InterrogoDati = true;
}

void Pressioni::MostroVerificaConclusa(const QString& testo)
{
    LabTar->setText(testo);
    auto mostra = [](QWidget* w, bool si) {
        w->setVisible(si);
        w->setEnabled(si);
    };
    mostra(LabTar, true);
    for (QWidget* w : std::initializer_list<QWidget*>{LabDato[0], LabDato[1], DatoP, LabInf, TastoAbbandona, TastoOK4})
        mostra(w, false);
    mostra(TastoOK3, true);
}
