// Speed of the configuration send: the program's own time per block exchange and for the
// whole data-image upload against the in-process ECU simulator without latency (reply
// branch, image composition from the working file, block building, line splitting), beside
// the wire time at 19,200 baud; and the preparation of the working map file by the send
// button (copy, normalisation, record patches).
#include "catalogue/StatoCatalogo.h"
#include "demodata/lib/DemoData.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "ecusim/lib/EcuModel.h"
#include "platform/BoxHost.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "support/Tempi.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/WorkingMap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

QTemporaryDir& Cartella()
{
    static QTemporaryDir c;
    return c;
}

void Scrivo(const QString& relativo, const QByteArray& dati)
{
    const QString p = Cartella().path() + QLatin1Char('/') + relativo;
    QDir().mkpath(p.section(QLatin1Char('/'), 0, -2));
    QFile f(p);
    f.open(QIODevice::WriteOnly);
    f.write(dati);
}

FileTabellaDati Prepara()
{
    Shell.PathApp = Cartella().path();
    Files::ImpostaCartellaProgramma(Cartella().path());
    Shell.Lingua = 4;
    BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return -1; });
    Scrivo("CAR/CENTRAL1/MOTORO01.QOX", DemoData::MappaValori(1, false, "BENCH"));
    Scrivo("PERSONALIZZATE/AB123CD/MOTORO01.QOX", DemoData::MappaValori(1, false, "PERSONAL"));
    Scrivo("VALVOLE/MODEL_1/TABPWM.PWM", DemoData::TabellaPWM());
    Scrivo("VALVOLE/MODEL_1/TABPCM.PCM", DemoData::TabellaPCM());
    StatoCatalogo.TipoGas = 0;
    StatoCatalogo.DirCentralina = Cartella().path() + "/CAR/CENTRAL1";
    StatoVeicolo.DirValvole = Cartella().path() + "/VALVOLE/MODEL_1";
    DatiCentralina.TipoCentralina = 1;
    DatiCentralina.DataInstallazione = 40000;   // the ECU holds a date: R1 ends the upload
    FileTabellaDati d;
    d.dirCentralina = StatoCatalogo.DirCentralina;
    d.dirPersonal = Cartella().path() + "/PERSONALIZZATE/AB123CD";
    d.giorno = "05";
    d.mese = "03";
    d.anno = "2025";
    return d;
}

// The whole upload: "MU0", then every reply of the simulator straight back into the
// receive path until the exchange is over. No screen is open, so no watchdog and no dialog.
void BM_UploadWhole(benchmark::State& stato)
{
    FileTabellaDati d = Prepara();
    QString versione;
    PreparoFileTabella(d, StatoVeicolo.FileTabella, versione);
    ecusim::EcuModel ecu;
    ecu.opzioni.ritardoRispostaMs = 0;
    qint64 blocchi = 0;
    ImpostaOsservatoreUscita([&ecu, &blocchi](const QByteArray& riga) {
        if (riga.startsWith("MZ"))
            ++blocchi;
        ecu.ricevi(riga);
    });
    for (auto _ : stato) {
        Link.reset();
        Link.FaseCom = FASE_INVIO_TABELLA;
        ScrivoCentralina("MU0\r\n");
        while (Link.FaseCom != FASE_LIBERA) {
            const qint64 attesa = ecu.prossimoInvio();
            if (attesa < 0)
                break;
            Link.BufferRx += ecu.avanza(int(std::max<qint64>(0, attesa)));
            RiceviDati();
        }
    }
    ImpostaOsservatoreUscita(nullptr);
    if (!ecu.immagineCompleta() || blocchi != 95 * qint64(stato.iterations()))
        stato.SkipWithError("upload incomplete");
    stato.SetItemsProcessed(blocchi);
    // Wire time of the same exchange at 19,200 baud (10 bits a character): 95 blocks of
    // 190 characters and their 4-character replies, "MU0", R6, "MU1".
    const double caratteri = 95.0 * (190 + 4) + 5 + 4 + 5;
    stato.counters["wire_s_19200"] = caratteri * 10.0 / 19200.0;
    stato.SetLabel("items = block exchanges");
}

void BM_PrepareWorkingFile(benchmark::State& stato)
{
    FileTabellaDati d = Prepara();
    d.personalizzata = stato.range(0) != 0;
    d.tipoInstallazione = d.personalizzata;
    QString file, versione;
    for (auto _ : stato) {
        if (!PreparoFileTabella(d, file, versione))
            stato.SkipWithError("preparation failed");
    }
    stato.SetLabel(d.personalizzata ? "personalised" : "standard");
}

BENCHMARK(BM_UploadWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareWorkingFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return EseguoBenchmark(argc, argv);
}
