// Speed of the flash programming: the program's own time from a line request ("FW0") to
// the next line written, over a 64 KiB software file; a whole transfer of the demo car's
// programming image over a pseudo-terminal to the ECU simulator, beside the wire time at
// 19,200 baud; and the main menu's software list over a library of 200 folders.
#include "catalogue/SRecord.h"
#include "catalogue/SoftwareLibrary.h"
#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "demodata/lib/DemoData.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "ecusim/lib/CollegamentoPty.h"
#include "ecusim/lib/EcuModel.h"
#include "platform/BoxHost.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "platform/SerialControl.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/StatoVeicolo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include "support/Tempi.h"

namespace {

QString Cartella()
{
    static QTemporaryDir c;
    return c.path();
}

void Scrivo(const QString& relativo, const QByteArray& dati)
{
    const QString p = Cartella() + QLatin1Char('/') + relativo;
    QDir().mkpath(p.section(QLatin1Char('/'), 0, -2));
    QFile f(p);
    f.open(QIODevice::WriteOnly);
    f.write(dati);
}

double OrologioVeloce()
{
    static double t = 0;
    return t += 1.0;
}

void Prepara()
{
    Shell.PathApp = Cartella();
    Files::ImpostaCartellaProgramma(Cartella());
    Shell.Lingua = 4;
    ImpostaOrologio(OrologioVeloce);
    BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return -1; });
}

// "FW0" in, next line out, over a 64 KiB software file of 80-character records.
void BM_FW0ToNextLine(benchmark::State& stato)
{
    Prepara();
    QByteArray file;
    for (quint32 a = 0; file.size() < 64 * 1024; a += 36)
        file += DemoData::RecordS('2', 0x10000 + a, QByteArray(36, char(a & 0x7F)));
    Scrivo("SOFTWARE/02/BENCH.S19", file);
    StatoFile.FileProgrammazione = Cartella() + "/SOFTWARE/02/BENCH.S19";
    qint64 righe = 0;
    ImpostaOsservatoreUscita([&righe](const QByteArray&) { ++righe; });
    auto inizio = [] {
        Link.reset();
        Link.FaseCom = FASE_PROGRAMMAZIONE_SW;
        Link.BufferRx = "Fl0\r\n";
        RiceviDati();
    };
    inizio();
    for (auto _ : stato) {
        Link.BufferRx += "FW0\r\n";
        const qint64 prima = righe;
        RiceviDati();
        if (righe == prima) {   // end of the file: start again
            stato.PauseTiming();
            inizio();
            stato.ResumeTiming();
        }
    }
    ImpostaOsservatoreUscita(nullptr);
    ChiudoFileProgrammazione();
    stato.SetItemsProcessed(righe);
    stato.SetLabel("items = lines sent");
}

// The demo car's image built once from the demo library.
QString ImmagineDemo()
{
    static QString immagine;
    if (!immagine.isEmpty())
        return immagine;
    DemoData::ScrivoProgramma(Cartella());
    const QString car = Cartella() + "/AURELIA/BREZZA12/CENTRAL1/";
    PreparoMappa(car + "MOTORO02", car + "C_GPL02");
    DatiProgrammazione d;
    d.DirValvole = Cartella() + "/VALVOLE/MODEL_1";
    d.TipoCentralina = 2;
    d.AutoImp = {"05", "03", "2024", "05", "03", "2030"};
    immagine = Cartella() + "/SOFTWARE/02/L0AA/L0AA.ULP";
    if (CreoFileProgrammazione(car + "C_GPL02.F19", "L0AA", immagine, d) != 0)
        immagine.clear();
    return immagine;
}

// The whole image in state 20 over a raw pseudo-terminal to the simulator (no reply delay).
void BM_ImageTransferPty(benchmark::State& stato)
{
    Prepara();
    const QString immagine = ImmagineDemo();
    if (immagine.isEmpty()) {
        stato.SkipWithError("image not built");
        return;
    }
    int master = -1, slave = -1;
    char nome[256] = {0};
    if (openpty(&master, &slave, nome, nullptr, nullptr) != 0) {
        stato.SkipWithError("no pseudo-terminal");
        return;
    }
    termios t{};
    for (int fd : {master, slave}) {
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    ScrivoProfilo("PORTE", "COM1", QString::fromLocal8Bit(nome), Cartella() + "/ZEQINST.INI");
    ecusim::EcuModel ecu;
    ecu.opzioni.ritardoRispostaMs = 0;
    ecu.opzioni.periodoMs = 1000000;   // no live frames in the way
    ecusim::CollegamentoPty filo(ecu, master, slave);
    Comunic().setCommPort(1);
    Comunic().setPortOpen(true);
    CollegoRicezione();
    StatoFile.FileProgrammazione = immagine;
    qint64 righe = 0;
    for (auto _ : stato) {
        Link.reset();
        StatoFile.NumLinea = 0;
        Link.FaseCom = FASE_PROGRAMMAZIONE_ULP;
        ScrivoCentralina("MWin\r\n");
        QElapsedTimer limite;
        limite.start();
        while (Link.FaseCom == FASE_PROGRAMMAZIONE_ULP && limite.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        righe += StatoFile.NumLinea;
        if (Link.FaseCom != FASE_LIBERA || ecu.lineeProgrammate().isEmpty())
            stato.SkipWithError("transfer did not end");
    }
    Comunic().setPortOpen(false);
    ::close(master);
    ::close(slave);
    const qint64 perTrasferimento = righe / std::max<qint64>(1, stato.iterations());
    stato.SetItemsProcessed(righe);
    // At 19,200 baud (10 bits a character): each line padded to 255 characters, its "FW0"
    // (5), "MWin", "Fl0" and "Fok".
    const double caratteri = double(perTrasferimento) * (255 + 5) + 6 + 5 + 5;
    stato.counters["lines"] = double(perTrasferimento);
    stato.counters["wire_s_19200"] = caratteri * 10.0 / 19200.0;
    stato.SetLabel("items = lines of the image");
}

// The software list over 200 folders of one software file each (and a loader folder).
void BM_SoftwareList200(benchmark::State& stato)
{
    Prepara();
    static bool scritta = false;
    if (!scritta) {
        scritta = true;
        for (int i = 0; i < 200; ++i) {
            const QByteArray n = "S" + QByteArray::number(i).rightJustified(3, '0');
            const bool kernel = i == 0;
            const QByteArray cartella = kernel ? "KERNEL" : n;
            Scrivo(QString::fromLatin1("LIB/SOFTWARE/02/" + cartella + "/" + n + ".S19"),
                   DemoData::SoftwareS19({"02", cartella, n, "ZQ3010450", kernel}));
        }
    }
    Shell.PathApp = Cartella() + "/LIB";
    Files::ImpostaCartellaProgramma(Shell.PathApp);
    qint64 righe = 0;
    for (auto _ : stato)
        righe += ElencoSoftware().size();
    if (righe != 200 * qint64(stato.iterations()))
        stato.SkipWithError("rows missing");
    stato.SetItemsProcessed(righe);
    Shell.PathApp = Cartella();
    Files::ImpostaCartellaProgramma(Cartella());
}

BENCHMARK(BM_FW0ToNextLine);
BENCHMARK(BM_ImageTransferPty)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SoftwareList200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return EseguoBenchmark(argc, argv);
}
