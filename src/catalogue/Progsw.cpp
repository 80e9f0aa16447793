#include "catalogue/Progsw.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

Progsw::Progsw()
{
    auto* l = new QVBoxLayout(this);
    LabAgg = new QLabel(this);
    l->addWidget(LabAgg);
    for (auto& v : VersSoft) {
        v = new QLabel(this);
        l->addWidget(v);
    }
    auto tasto = [&](const char* nome) {
        auto* w = new QPushButton(QLatin1String(nome), this);
        w->setObjectName(QLatin1String(nome));
        l->addWidget(w);
        return w;
    };
    TastoSI = tasto("TastoSI");
    TastoEsci = tasto("TastoEsci");
    Tastook[0] = tasto("Tastook0");
    Tastook[1] = tasto("Tastook1");
    TastoOKA = tasto("TastoOKA");
    TastoAbbandona = tasto("TastoAbbandona");
    TastoVS = tasto("TastoVS");
    LabVS = new QLabel(this);
    l->addWidget(LabVS);
    BoxSW = new QGroupBox(this);
    auto* lb = new QVBoxLayout(BoxSW);
    GrigliaSW = new QTableWidget(BoxSW);
    EsciVS = new QPushButton(QStringLiteral("Esci"), BoxSW);
    lb->addWidget(GrigliaSW);
    lb->addWidget(EsciVS);
    l->addWidget(BoxSW);
}
