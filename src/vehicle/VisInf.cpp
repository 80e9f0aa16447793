#include "vehicle/VisInf.h"

#include "catalogue/PersonalMaps.h"
#include "ecu_link/DatiCentralina.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QString Data(double giorni)
{
    const QDate d = DataDaGiorni(giorni);
    return DueCifre(d.day()) + QLatin1Char('/') + DueCifre(d.month()) + QLatin1Char('/') +
           QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
}

} // namespace

VisInf::VisInf()
{
    auto* l = new QGridLayout(this);
    for (int i = 0; i < 9; ++i) {
        LabInfC[i] = new QLabel(this);
        InfVis[i] = new QLabel(this);
        InfVis[i]->setObjectName(QStringLiteral("InfVis%1").arg(i));
        InfVis[i]->setFrameShape(QFrame::Panel);
        InfVis[i]->setFrameShadow(QFrame::Sunken);
        InfVis[i]->setMinimumWidth(Twip(2400));
        l->addWidget(LabInfC[i], i, 0);
        l->addWidget(InfVis[i], i, 1);
    }
    InfoVis = new QLabel(this);
    InfoVis->setObjectName(QStringLiteral("InfoVis"));
    InfoVis->setAlignment(Qt::AlignCenter);
    InfoVis->setWordWrap(true);
    InfoVis->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    l->addWidget(InfoVis, 9, 0, 1, 2);
    Tastook = new QPushButton(this);
    Tastook->setObjectName(QStringLiteral("Tastook"));
    Tastook->setFixedSize(100, 40);
    l->addWidget(Tastook, 10, 0, 1, 2, Qt::AlignHCenter);
    connect(Tastook, &QPushButton::clicked, this, &VisInf::Tastook_Click);
}

void VisInf::Form_Load()
{
    setWindowTitle(Msg(226));
    static constexpr int testi[9] = {227, 115, 116, 228, 229, 230, 231, 232, 359};
    for (int i = 0; i < 9; ++i)
        LabInfC[i]->setText(Msg(testi[i]));
    ImmaginiTasto(Tastook, IdRisorsa(148));
    MostroIdentita();
}

void VisInf::MostroIdentita()
{
    const DatiCentralinaRec& d = DatiCentralina;
    for (QLabel* l : InfVis)
        l->clear();
    const int e = d.ErroriDati;
    if (!(e & ErroreTipo))
        InfVis[0]->setText(QStringLiteral("MOTOROLA-") + DueCifre(d.TipoCentralina));
    if (!(e & ErroreDataInstallazione))
        InfVis[1]->setText(Data(d.DataInstallazione));
    if (!(e & ErroreDataRevisione))
        InfVis[2]->setText(Data(d.DataRevCentr));
    if (!(e & ErroreTipoInstallazione)) {
        const int t = d.TipoInstCentr;
        InfVis[3]->setText(t == 0 || t == 1 ? DescrizioneTipoMappa(t) : QStringLiteral("----------"));
    }
    InfVis[4]->setText(d.Matricola.toUpper());
    InfVis[5]->setText(d.Lotto.toUpper());
    InfVis[6]->setText(VersioneSwVisualizzata().trimmed());
    InfVis[7]->setText(d.VersioneTabCentr.trimmed());
    InfVis[8]->setText(d.VersioneCaric.trimmed());
    if (e != 0)
        InfoVis->setText(Msg(225));
    else if (d.DataInstallazione == DataNessuna)
        InfoVis->setText(Msg(241));
    else
        InfoVis->clear();
}

void VisInf::changeEvent(QEvent* e)
{
    FormBase::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        m_attivata = true;
    else if (m_attivata)
        Form_LostFocus();
}

void VisInf::Form_LostFocus()
{
    Scarica();
}

void VisInf::Tastook_Click()
{
    Scarica();
}
