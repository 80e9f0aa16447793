#include "support/Ambiente.h"

#include "archive/Archivio.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "ecusim/lib/EcuModel.h"
#include "platform/Files.h"
#include "platform/SerialControl.h"
#include "shell/Procedure.h"
#include "vehicle/StatoVeicolo.h"

#include <QApplication>
#include <QCoreApplication>
#include <type_traits>

void ScaricoTutto()
{
    for (int i = 0; i < 2; ++i) {
        const auto finestre = QApplication::topLevelWidgets();
        for (QWidget* w : finestre)
            if (auto* f = qobject_cast<FormBase*>(w); f && !f->Scaricato())
                f->Scarica();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool RicevutoDalSimulatore(const ecusim::EcuModel& ecu, const QByteArray& comando, int volte, int timeoutMs)
{
    return AttendiFinche([&] { return ecu.comandiRicevuti().count(comando) >= volte; }, timeoutMs);
}

QByteArray ConChecksum(const QByteArray& testo)
{
    return testo + CalcoloCS(testo) + "\r\n";
}

namespace {
const char* nome(WatchdogTimer w)
{
    switch (w) {
    case WatchdogTimer::TimeOutTx: return "TimeOutTx";
    case WatchdogTimer::Dati_Out: return "Dati_Out";
    case WatchdogTimer::TimeOutModem: return "TimeOutModem";
    }
    return "?";
}

// Runs the handler of a screen's watchdog only when the screen has started it.
template <class Schermo>
void Scatta(Schermo* s, const char* schermo, WatchdogTimer w, const std::source_location& where)
{
    bool avviato = false;
    std::function<void()> scadenza;
    switch (w) {
    case WatchdogTimer::TimeOutTx:
        avviato = s->RispostaAvviata();
        scadenza = [s] { s->TimeOutTx_Timer(); };
        break;
    case WatchdogTimer::Dati_Out:
        avviato = s->CollegamentoAvviato();
        scadenza = [s] { s->Dati_Out_Timer(); };
        break;
    case WatchdogTimer::TimeOutModem:
        if constexpr (std::is_same_v<Schermo, DatiMotore>) {
            avviato = s->ModemAvviato();
            scadenza = [s] { s->TimeOutModem_Timer(); };
        }
        break;
    }
    if (!scadenza)
        ADD_FAILURE_AT(where.file_name(), int(where.line())) << schermo << " has no " << nome(w);
    else if (avviato)
        scadenza();
    else
        ADD_FAILURE_AT(where.file_name(), int(where.line()))
            << schermo << "'s " << nome(w) << " fired, but the program had not started it";
}
}  // namespace

void FireWatchdog(Veicolo* v, WatchdogTimer w, std::source_location where)
{
    ASSERT_NE(v, nullptr) << "no vehicle screen";
    Scatta(v, "Veicolo", w, where);
}

void FireWatchdog(DatiMotore* d, WatchdogTimer w, std::source_location where)
{
    ASSERT_NE(d, nullptr) << "no live-data screen";
    Scatta(d, "DatiMotore", w, where);
}

QByteArray Identita::R8() const
{
    return ConChecksum("R8 " + inst + tipo + rev + tipoInst + matricola + lotto + tabella +
                       (lunga ? sw + caric : sw.left(6)));
}

QByteArray Identita::R4() const
{
    return ConChecksum("R4 " + tipo + matricola + lotto + (lunga ? sw + caric : sw.left(6)));
}

QByteArray TramaDC(const QList<QByteArray>& campi, char carburante)
{
    QByteArray t = "DC";
    for (int k = 0; k < 14; ++k)
        t += campi.value(k, "0").rightJustified(8, ' ') + ',';
    t += carburante;
    return t + "\r\n";
}

QByteArray TramaDCSemplice(char carburante)
{
    return TramaDC({"1200.0", "200.0", "350.5", "85.0", "450.0", "77", "12.4", "3", "40",
                    "850", "5", "60", "3.2", "0.123"},
                   carburante);
}

// A clock that runs a quarter second per reading: busy waits end at once.
static double OrologioVeloce()
{
    static double t = 0;
    return t += 0.25;
}

void AmbienteLink::SetUp()
{
    ImpostaOrologio(OrologioVeloce);
    ScaricoTutto();
    cartella = std::make_unique<CartellaProgramma>();
    const QString path = Shell.PathApp;
    Shell.reset();
    Shell.PathApp = path;
    Files::ImpostaCartellaProgramma(path);
    Shell.Lingua = 4;
    // No real serial device is touched: the screens' ports map to a missing device.
    cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=/nonexistent/ecu\r\nCOM5=/nonexistent/modem\r\n");
    Comunic().setPortOpen(false);
    Comunic().setCommPort(1);
    Link.reset();
    GSM.reset();
    DatiCentralina.reset();
    Diagnosi.reset();
    StatoVeicolo.reset();
    StatoFile.reset();
    StatoPressioni.reset();
    StatoCatalogo.TipoGas = -1;
    StatoCatalogo.TipoInstallazione = -1;
    StatoCatalogo.Cliente.clear();
    StatoCatalogo.DirCentralina.clear();
    box = std::make_unique<RegistroBox>(-1);
    ImpostaOsservatoreUscita([this](const QByteArray& b) { scritto << b; });
    ImpostoPuntatore(0);
}

void AmbienteLink::TearDown()
{
    ImpostaOsservatoreUscita(nullptr);
    ImpostaModemDiProva(nullptr);
    ImpostaOsservatoreRisposte(nullptr);
    ScaricoTutto();
    Archivi::ChiudoArchivio();
    ImpostaOrologio(nullptr);
    box.reset();
    cartella.reset();
}

void AmbienteLink::ricevo(const QByteArray& dati)
{
    Link.BufferRx += dati;
    RiceviDati();
}

void AmbienteVeicolo::SetUp()
{
    AmbienteLink::SetUp();
    pty = std::make_unique<Pty>();
    MappaPorta(1, pty->slavePath());
    Shell.Funzione = 1;
    v = Veicolo::Carica();
    ASSERT_TRUE(Comunic().PortOpen());
}
