#include "support/InvioConfigurazione.h"

#include "catalogue/StatoCatalogo.h"
#include "demodata/lib/DemoData.h"
#include "platform/SerialControl.h"
#include "vehicle/StatoVeicolo.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

namespace {

QByteArray Sei(int v)
{
    return (QByteArray("000000") + QByteArray::number(v)).right(6);
}

} // namespace

QByteArray ImmagineDemo(const QMap<int, int>& sostituiti)
{
    QByteArray b;
    for (int n = 1; n <= 2850; ++n)
        b += Sei(sostituiti.value(n, DemoData::ValoreMappa(n, 1, false)));
    return b;
}

QMap<int, int> RecordPersonaliDemo()
{
    static constexpr int record[14] = {2775, 2690, 2706, 2776, 2691, 2777, 2692,
                                       2654, 2784, 2700, 2785, 2701, 2786, 2702};
    QMap<int, int> m;
    for (int i = 0; i < 14; ++i)
        m[record[i]] = 100 + i;
    return m;
}

void IdentitaTipoUno()
{
    DatiCentralinaRec& d = DatiCentralina;
    d.TipoCentralina = 1;
    d.ErroriDati = 0;
    d.DataInstallazione = GiorniDaData(QDate(2024, 3, 5));
    d.DataRevCentr = GiorniDaData(QDate(2025, 4, 6));
    d.TipoInstCentr = 1;
    d.Matricola = "sn000123";
    d.Lotto = "lt0042";
    d.VersioneSw = "01.10ABCD";
    d.VersioneCaric = "01.0012AB";
    d.VersioneTabCentr = "000004";
}

QByteArray PaginaPersonale(int pagina, char segno, const QByteArray& valori180)
{
    const QByteArray t = "RZ " + QByteArray::number(pagina).rightJustified(3, '0') + segno + valori180;
    return ConChecksum(t);
}

void AmbienteInvio::SetUp()
{
    AmbienteVeicolo::SetUp();
    cartella->scrivi("AURELIA/BREZZA12/CENTRAL1/MOTORO01.QOX", DemoData::MappaValori(1, false, "TEST"));
    cartella->scrivi("VALVOLE/MODEL_1/TABPWM.PWM", DemoData::TabellaPWM());
    cartella->scrivi("VALVOLE/MODEL_1/TABPCM.PCM", DemoData::TabellaPCM());
    dirCentralina = cartella->file("AURELIA/BREZZA12/CENTRAL1");
    sceltaVeicolo();
}

void AmbienteInvio::sceltaVeicolo()
{
    StatoCatalogo.DirCentralina = dirCentralina;
    StatoCatalogo.TipoGas = 0;
    StatoCatalogo.TipoInstallazione = 0;
    StatoCatalogo.Cliente = "AB123CD";
    StatoVeicolo.DirValvole = cartella->file("VALVOLE/MODEL_1");
    StatoVeicolo.MarcaAuto = "AURELIA";
    StatoVeicolo.ModelloAuto = "BREZZA12";
    StatoVeicolo.CentralinaSel = "CENTRAL1";
    StatoVeicolo.CentrBenzina = "ECU ONE";
    StatoVeicolo.ModValvola = "RAIL ALPHA 4 CYLINDERS";
    DatiCentralina.TipoCentralina = 1;
    DatiCentralina.SwVecchio = true;
    DatiCentralina.ErroriDati = 0;
    DatiCentralina.DataInstallazione = 40000;
    DatiCentralina.VersioneTabCentr = "000004";
    ImpostoDirPersonal();
    Link.Collegato = true;
    v->ScrivoData(0, QDate(2024, 3, 5));
    v->ScrivoData(3, QDate(2025, 3, 5));
}

void AmbienteInvio::mappaPersonale()
{
    QByteArray b;
    const QMap<int, int> personali = RecordPersonaliDemo();
    for (int n = 1; n <= 2850; ++n)
        b += Sei(personali.value(n, DemoData::ValoreMappa(n, 1, false))) + "\r\n";
    cartella->scrivi("PERSONALIZZATE/AB123CD/MOTORO01.QOX", b);
    StatoCatalogo.TipoInstallazione = 1;
}

void AmbienteInvio::chiudoPressioni()
{
    auto* t = new QTimer(v);
    QObject::connect(t, &QTimer::timeout, t, [this] {
        if (Pressioni* p = Pressioni::Istanza(); !lascioPressioni && p && p->InModale() && !p->Scaricato()) {
            ++aperturePressioni;
            p->Scarica();
        }
    });
    t->start(5);
}

void AmbienteInvioSimulatore::SetUp()
{
    AmbienteInvio::SetUp();
    ecu.opzioni.periodoMs = 20;
    ecu.identita.tipoCentralina = "01";
    ecu.identita.dataInstallazione = "01011900";
    ecu.identita.versioneTabella = "04";
    filo = std::make_unique<ecusim::CollegamentoPty>(ecu, pty->master());
    chiudoPressioni();
}

void AmbienteInvioSimulatore::TearDown()
{
    FormTimer::ImpostaScalaTempo(1.0);
    AmbienteInvio::TearDown();
    Comunic().setPortOpen(false);
    filo.reset();
}

void AmbienteInvioSimulatore::nuovoSchermo()
{
    ScaricoTutto();
    Link.reset();
    Shell.Funzione = 1;
    v = Veicolo::Carica();
    sceltaVeicolo();
    chiudoPressioni();
    aperturePressioni = 0;
}

void AmbienteInvioSimulatore::attivo()
{
    Link.Collegato = false;
    AzzeroDatiCentralina();
    const int fine = int(comandi().count("MU3"));
    v->Attivo_Click();
    ASSERT_TRUE(AttendiFinche([] { return Link.Collegato && Link.FaseCom == FASE_LIBERA; }));
    ASSERT_TRUE(ricevuto("MU3", fine + 1));
    v->ScrivoData(0, QDate(2024, 3, 5));
    v->ScrivoData(3, QDate(2025, 3, 5));
}

void AmbienteInvioSimulatore::invio()
{
    confermo();
    // The send dialog is modal: an upload that no reply and no watchdog ends would keep it up
    // for ever. Past the bound it is unloaded and the test fails saying so.
    QElapsedTimer tempo;
    tempo.start();
    QPointer<QTimer> limite = new QTimer(v);
    QObject::connect(limite, &QTimer::timeout, limite, [limite, tempo] {
        MandoDati* m = MandoDati::Istanza();
        if (!m || !m->InModale() || m->Scaricato() || tempo.elapsed() < 60000)
            return;
        ADD_FAILURE() << "the send dialog is still up after 60 s: nothing ended the upload";
        limite->stop();
        m->Scarica();
    });
    limite->start(100);
    v->InvioMappa([] { return 0; });
    delete limite.data();
}

void AmbienteInvioSimulatore::confermo()
{
    auto* t = new QTimer(v);
    QObject::connect(t, &QTimer::timeout, t, [t] {
        if (MandoDati* m = MandoDati::Istanza(); m && m->InModale()) {
            t->stop();
            m->TastoSI_Click();
        }
    });
    t->start(5);
}

bool AmbienteInvioSimulatore::finito(int ms)
{
    return AttendiFinche([] { return Link.FaseCom == FASE_LIBERA && !MandoDati::Caricato(); }, ms);
}
