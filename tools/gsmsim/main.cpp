// gsmsim: a GSM modem with the assistance station behind it, on a pseudo-terminal.
// Prints the slave's path (one line) and runs until SIGTERM or SIGINT. It never holds
// the slave open, so the program's closing of the port is seen as a hang-up.
//
//   gsmsim [--link PATH] [--control -|SOCKET] [--call RESULT] [--delay MS] [--i00 TEXT]
//   gsmsim --send SOCKET COMMAND...
//
// The control channel takes the commands of gsmsim/lib/Controllo.h, one per line, each
// answered "ok" or "error: ..."; the timed log of the line goes to stderr.
#include "simcommon/lib/CanaleRighe.h"
#include "gsmsim/lib/Controllo.h"
#include "gsmsim/lib/LineaPty.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_segnali[2] = {-1, -1};

void SuSegnale(int n)
{
    const char c = char(n);
    [[maybe_unused]] const ssize_t r = ::write(g_segnali[1], &c, 1);
}

QByteArray Leggibile(const QByteArray& b)
{
    QByteArray out;
    for (char c : b) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u < 127 && c != '\\')
            out += c;
        else
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("gsmsim");
    QCommandLineParser p;
    p.setApplicationDescription("GSM modem and assistance station on a pseudo-terminal.");
    p.addHelpOption();
    const QCommandLineOption link("link", "Make a symbolic link PATH to the slave.", "PATH");
    const QCommandLineOption controllo("control", "Take control commands from stdin (-) or a Unix socket.", "-|PATH");
    const QCommandLineOption invia("send", "Client mode: send the command arguments to the control socket.", "SOCKET");
    const QCommandLineOption chiamata("call", "Result of ATD: connect, busy, nocarrier, none.", "RESULT");
    const QCommandLineOption ritardo("delay", "From ATD to the result, in ms (default 1500).", "MS");
    const QCommandLineOption i00("i00", "The station's answer to the identity message (none: no answer).", "TEXT");
    p.addOptions({link, controllo, invia, chiamata, ritardo, i00});
    p.addPositionalArgument("commands", "With --send: the control commands, one per argument.");
    p.process(app);
    if (p.isSet(invia))
        return simcommon::InviaComandi(p.value(invia), p.positionalArguments());

    gsmsim::GsmModel modello;
    for (const auto& [o, comando] : {std::pair{&chiamata, "call"}, {&ritardo, "delay"}, {&i00, "i00"}}) {
        if (!p.isSet(*o))
            continue;
        const QString e = gsmsim::EseguoComando(modello, QLatin1String(comando) + QLatin1Char(' ') + p.value(*o));
        if (!e.isEmpty()) {
            std::fprintf(stderr, "gsmsim: %s\n", qPrintable(e));
            return 2;
        }
    }

    QByteArray slave;
    const int master = gsmsim::AproPtyLibera(slave);
    if (master < 0) {
        std::perror("gsmsim: openpty");
        return 1;
    }
    QString collegamento;
    if (p.isSet(link)) {
        collegamento = p.value(link);
        const QFileInfo fi(collegamento);
        if (fi.exists() && !fi.isSymLink()) {
            std::fprintf(stderr, "gsmsim: %s exists and is not a symbolic link\n", qPrintable(collegamento));
            return 1;
        }
        ::unlink(collegamento.toLocal8Bit().constData());
        if (::symlink(slave.constData(), collegamento.toLocal8Bit().constData()) != 0) {
            std::perror("gsmsim: symlink");
            return 1;
        }
    }

    simcommon::CanaleRighe canale([&modello](const QByteArray& riga) {
        const QString e = gsmsim::EseguoComando(modello, QString::fromLocal8Bit(riga));
        return e.isEmpty() ? QByteArray("ok") : "error: " + e.toLocal8Bit();
    });
    if (p.isSet(controllo)) {
        QString errore;
        if (p.value(controllo) == QLatin1String("-")) {
            canale.ascoltaStdin();
        } else if (!canale.ascoltaSocket(p.value(controllo), &errore)) {
            std::fprintf(stderr, "gsmsim: control socket: %s\n", qPrintable(errore));
            return 1;
        }
        QObject::connect(&canale, &simcommon::CanaleRighe::comandoEseguito,
                         [&modello](const QByteArray& riga, const QByteArray& risposta) {
                             std::fprintf(stderr, "%10lld ! %s -> %s\n", static_cast<long long>(modello.ms()),
                                          riga.constData(), risposta.constData());
                         });
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_segnali) != 0) {
        std::perror("gsmsim: socketpair");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = SuSegnale;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT})
        ::sigaction(s, &sa, nullptr);
    QSocketNotifier segnali(qintptr(g_segnali[0]), QSocketNotifier::Read);
    QObject::connect(&segnali, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });

    gsmsim::LineaPty linea(modello, master);
    QObject::connect(&linea, &gsmsim::LineaPty::voce, [](const gsmsim::Voce& v) {
        std::fprintf(stderr, "%10lld %c %s\n", static_cast<long long>(v.ms), v.verso, Leggibile(v.testo).constData());
    });

    std::printf("%s\n", slave.constData());
    std::fflush(stdout);
    const int r = app.exec();
    if (!collegamento.isEmpty())
        ::unlink(collegamento.toLocal8Bit().constData());
    ::close(master);
    return r;
}
