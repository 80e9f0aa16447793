// ecusim: a simulated gas ECU on a pseudo-terminal. Prints the slave's path (one line) and
// runs until SIGTERM or SIGINT; SIGUSR1 switches the ECU off and on again. With --control it
// also takes command lines at run time (power cycle, faults, frames, identity ...).
//
//   ecusim [--link PATH] [--binary] [--period MS] [--r4] [--short] [identity options]
//          [fault options] [--value NAME=VALUE ...] [--control -|SOCKET] [--verbose]
#include "ecusim/lib/Controllo.h"
#include "simcommon/lib/CanaleRighe.h"
#include "ecusim/lib/CollegamentoPty.h"
#include "ecusim/lib/EcuModel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

namespace {

int g_segnali[2] = {-1, -1};

void SuSegnale(int n)
{
    const char c = char(n);
    [[maybe_unused]] const ssize_t r = ::write(g_segnali[1], &c, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ecusim");

    QCommandLineParser p;
    p.setApplicationDescription("Simulated gas ECU on a pseudo-terminal.");
    p.addHelpOption();
    const QCommandLineOption link("link", "Make a symbolic link PATH to the slave.", "PATH");
    const QCommandLineOption binario("binary", "Stream DB (binary) frames instead of DC (text).");
    const QCommandLineOption periodo("period", "Live frame period in ms (default 250).", "MS", "250");
    const QCommandLineOption r4("r4", "Identify with R4 (no dates) instead of R8.");
    const QCommandLineOption breve("short", "Identity in the short form (6-character version, no loader).");
    const QCommandLineOption tipo("type", "ECU type, 2 characters.", "NN");
    const QCommandLineOption dataInst("install-date", "Installation date ddmmyyyy (01011900 = none).", "DATE");
    const QCommandLineOption dataRev("overhaul-date", "Last overhaul date ddmmyyyy.", "DATE");
    const QCommandLineOption tipoInst("install-type", "Installation type, 2 characters (00/01).", "NN");
    const QCommandLineOption matricola("serial", "Serial number (8).", "TEXT");
    const QCommandLineOption lotto("batch", "Production batch (6).", "TEXT");
    const QCommandLineOption tabella("table", "Map table version (2).", "TEXT");
    const QCommandLineOption sw("sw", "Software version (9).", "TEXT");
    const QCommandLineOption caric("loader", "Loader version (9).", "TEXT");
    const QCommandLineOption pressione("pressure", "Pressure value answered to MUD.", "TEXT");
    const QCommandLineOption valore("value", "Live value in the record's units, NAME=NUMBER, NAME=ramp:FROM:TO:MS, "
                                             "NAME=sine:CENTRE:AMPLITUDE:MS or NAME=text:TEXT (p1 dp map temp lambda "
                                             "level tps pwm dutyin rpm pcm dutypwm flow spare).", "NAME=SPEC");
    const QCommandLineOption carburante("fuel", "Fuel in use: B or G.", "C");
    const QCommandLineOption sostituto("reply-as", "Send this reply (R0, R2, ...) instead of the real one.", "CODE");
    const QCommandLineOption silenzio("silent", "Do not answer.");
    const QCommandLineOption checksum("bad-checksum", "Send replies with a wrong checksum.");
    const QCommandLineOption rumore("noise", "Send these bytes before each reply.", "TEXT");
    const QCommandLineOption pezzi("chunks", "Send replies in chunks cut at random points.");
    const QCommandLineOption seme("seed", "Seed of the chunking.", "N", "1");
    const QCommandLineOption soloPer("only", "Faults only for replies to this command (MUB, MZ, S ...).", "CMD");
    const QCommandLineOption volte("times", "Faults only for this many replies.", "N", "-1");
    const QCommandLineOption spento("off-ms", "Time the ECU stays off on SIGUSR1 (default 3000).", "MS", "3000");
    const QCommandLineOption da("from", "Faults from the N-th reply on (1 = the first).", "N", "1");
    const QCommandLineOption controllo("control", "Take control commands from stdin (-) or a Unix socket.", "-|PATH");
    const QCommandLineOption invia("send", "Client mode: send the command arguments to the control socket "
                                            "SOCKET of a running ecusim, print the answers, exit.", "SOCKET");
    const QCommandLineOption verboso("verbose", "Log every line received on stderr.");
    p.addOptions({link, binario, periodo, r4, breve, tipo, dataInst, dataRev, tipoInst, matricola, lotto, tabella,
                  sw, caric, pressione, valore, carburante, sostituto, silenzio, checksum, rumore, pezzi, seme,
                  soloPer, volte, da, spento, controllo, invia, verboso});
    p.addPositionalArgument("commands", "With --send: the control commands, one per argument.");
    p.process(app);
    if (p.isSet(invia))
        return simcommon::InviaComandi(p.value(invia), p.positionalArguments());

    ecusim::EcuModel ecu;
    ecu.opzioni.trameBinarie = p.isSet(binario);
    ecu.opzioni.periodoMs = std::max(1, p.value(periodo).toInt());
    ecu.opzioni.rispostaBreve = p.isSet(r4);
    ecu.opzioni.formaLunga = !p.isSet(breve);
    auto testo = [&](const QCommandLineOption& o, QByteArray& campo) {
        if (p.isSet(o))
            campo = p.value(o).toLatin1();
    };
    testo(tipo, ecu.identita.tipoCentralina);
    testo(dataInst, ecu.identita.dataInstallazione);
    testo(dataRev, ecu.identita.dataRevisione);
    testo(tipoInst, ecu.identita.tipoInstallazione);
    testo(matricola, ecu.identita.matricola);
    testo(lotto, ecu.identita.lotto);
    testo(tabella, ecu.identita.versioneTabella);
    testo(sw, ecu.identita.versioneSw);
    testo(caric, ecu.identita.versioneCaric);
    testo(pressione, ecu.pressione);
    for (const QString& v : p.values(valore)) {
        QByteArray errore;
        if (!ecusim::ImpostaValoreLive(ecu.valori, v.toLatin1(), &errore)) {
            std::fprintf(stderr, "ecusim: bad --value %s: %s\n", qPrintable(v), errore.constData());
            return 2;
        }
    }
    if (p.isSet(carburante) && !p.value(carburante).isEmpty())
        ecu.valori.carburante = p.value(carburante).toLatin1().at(0);
    testo(sostituto, ecu.guasti.sostituto);
    ecu.guasti.silenzio = p.isSet(silenzio);
    ecu.guasti.checksumErrato = p.isSet(checksum);
    testo(rumore, ecu.guasti.rumore);
    ecu.guasti.aPezzi = p.isSet(pezzi);
    testo(soloPer, ecu.guasti.soloPer);
    ecu.guasti.volte = p.value(volte).toInt();
    ecu.guasti.daRisposta = p.value(da).toInt();
    ecu.impostaSeme(p.value(seme).toUInt());
    const int msSpento = std::max(0, p.value(spento).toInt());

    int master = -1;
    int slave = -1;
    char nome[256] = {0};
    if (::openpty(&master, &slave, nome, nullptr, nullptr) != 0) {
        std::perror("ecusim: openpty");
        return 1;
    }
    termios t{};
    for (int fd : {slave, master}) {
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    const QString percorso = QString::fromLocal8Bit(nome);

    QString collegamento;
    if (p.isSet(link)) {
        collegamento = p.value(link);
        const QFileInfo fi(collegamento);
        if (fi.exists() && !fi.isSymLink()) {
            std::fprintf(stderr, "ecusim: %s exists and is not a symbolic link\n", qPrintable(collegamento));
            return 1;
        }
        ::unlink(collegamento.toLocal8Bit().constData());
        if (::symlink(nome, collegamento.toLocal8Bit().constData()) != 0) {
            std::perror("ecusim: symlink");
            return 1;
        }
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_segnali) != 0) {
        std::perror("ecusim: socketpair");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = SuSegnale;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGUSR1})
        ::sigaction(s, &sa, nullptr);

    ecusim::CollegamentoPty pty(ecu, master, slave);
    if (p.isSet(verboso)) {
        QObject::connect(&pty, &ecusim::CollegamentoPty::rigaRicevuta, [](qint64 ms, const QByteArray& riga) {
            std::fprintf(stderr, "%10lld %s\n", static_cast<long long>(ms),
                         riga.trimmed().toPercentEncoding(" #$.,:;-+/").constData());
        });
    }
    QSocketNotifier segnali(qintptr(g_segnali[0]), QSocketNotifier::Read);
    QObject::connect(&segnali, &QSocketNotifier::activated, [&] {
        char c = 0;
        if (::read(g_segnali[0], &c, 1) != 1)
            return;
        if (c == SIGUSR1)
            ecu.cicloAccensione(msSpento);
        else
            QCoreApplication::quit();
    });

    simcommon::CanaleRighe canale([&ecu, msSpento](const QByteArray& riga) { return ecusim::EseguiControllo(ecu, riga, msSpento); });
    if (p.isSet(controllo)) {
        QString errore;
        if (p.value(controllo) == QLatin1String("-")) {
            canale.ascoltaStdin();
        } else if (!canale.ascoltaSocket(p.value(controllo), &errore)) {
            std::fprintf(stderr, "ecusim: control socket: %s\n", qPrintable(errore));
            return 1;
        }
        if (p.isSet(verboso)) {
            QObject::connect(&canale, &simcommon::CanaleRighe::comandoEseguito,
                             [](const QByteArray& riga, const QByteArray& risposta) {
                                 std::fprintf(stderr, "control: %s -> %s\n", riga.constData(), risposta.constData());
                             });
        }
    }

    std::printf("%s\n", nome);
    std::fflush(stdout);

    const int r = app.exec();

    if (!collegamento.isEmpty() && QFileInfo(collegamento).symLinkTarget() == QFileInfo(percorso).absoluteFilePath())
        ::unlink(collegamento.toLocal8Bit().constData());
    ::close(master);
    ::close(slave);
    return r;
}
