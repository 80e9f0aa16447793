// Fuzz target: the ECU receive path. The first two bytes choose the screen in use and the
// request state; the rest arrives in chunks whose sizes come from the input itself, and
// goes through the line splitter and the reply processor with no screen open.
#include "catalogue/StatoFile.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "diagnosis/Pressioni.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/BoxHost.h"
#include "platform/Files.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

// The states after the first four beep and change the pointer, which needs a widget
// application; under a plain core application only the first four are used.
static const int Stati[] = {FASE_LIBERA, FASE_PROGRAMMAZIONE_SW, FASE_SPEGNIMENTO,
                            FASE_PROGRAMMAZIONE_ULP, FASE_ATTIVAZIONE, FASE_LETTURA_PERSONALE,
                            FASE_INVIO_TABELLA, FASE_VERIFICA_PRESSIONI, FASE_VERIFICA_SW,
                            FASE_RICHIESTA_VERSIONE, FASE_DATA_INSTALLAZIONE};
static int g_stati = 4;

// The font library of the widget application keeps what it allocates for the whole run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
// The states of the calibration screens, chosen when bit 0x40 of the first byte is set;
// bit 0x20 then also opens the screen that awaits the reply (with a widget application).
static const int StatiCalibrazione[] = {FASE_LETTURA_PRESSIONE, FASE_SCRITTURA_PRESSIONE,
                                        FASE_SALVA_SERBATOIO,   FASE_LEGGI_SERBATOIO,
                                        FASE_LEGGI_PARAMETRI,   FASE_SALVA_PARAMETRI,
                                        FASE_LEGGI_PARAMETRI_N, FASE_LEGGI_SERBATOIO_N};

// Opens the screen of a calibration state (with a widget application only).
static void AproSchermo(int fase)
{
    switch (fase) {
    case FASE_LETTURA_PRESSIONE:
    case FASE_SCRITTURA_PRESSIONE: Pressioni::Carica(); break;
    case FASE_SALVA_SERBATOIO:
    case FASE_LEGGI_SERBATOIO:
    case FASE_LEGGI_SERBATOIO_N: LivSerb::Carica(); break;
    default: Parametri::Carica(); break;
    }
}

// A clock that runs a second per reading: the pause after a programming image ends at once.
static double OrologioVeloce()
{
    static double t = 0;
    return t += 1.0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir cartella;
    static bool pronto = false;
    if (!pronto) {
        pronto = true;
        if (!QCoreApplication::instance()) {
            // Run by libFuzzer itself: a widget application of our own.
            static int argc = 1;
            static char nome[] = "fuzz_splitter";
            static char* argv[] = {nome, nullptr};
            qputenv("QT_QPA_PLATFORM", "offscreen");
            new QApplication(argc, argv);
        }
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            g_stati = int(sizeof(Stati) / sizeof(Stati[0]));
        Shell.PathApp = cartella.path();
        Files::ImpostaCartellaProgramma(cartella.path());
        ImpostaOrologio(OrologioVeloce);
        QFile programma(cartella.filePath(QStringLiteral("PROG.S19")));
        if (programma.open(QIODevice::WriteOnly))
            programma.write("S0030000FC\r\nS1051000AABB8F\rS9030000FC\n");
        BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return -1; });
    }
    if (size < 2)
        return 0;
    Link.reset();
    GSM.reset();
    DatiCentralina.reset();
    Diagnosi.NumRighe = -1;
    Shell.Lingua = 4;
    Shell.Funzione = data[0] % 3;
    Link.FaseCom = Stati[data[1] % g_stati];
    const bool calibrazione = data[0] & 0x40;
    const bool schermo = calibrazione && (data[0] & 0x20) && g_stati > 4;
    StatoFile.reset();
    ChiudoFileProgrammazione();
    // Bit 0x10: a programming file to send in states 5 and 20.
    if (data[0] & 0x10)
        StatoFile.FileProgrammazione = cartella.filePath(QStringLiteral("PROG.S19"));
    if (calibrazione) {
        const int fase = StatiCalibrazione[data[1] % 8];
        DatiCentralina.SwVecchio = fase == FASE_LEGGI_SERBATOIO || fase == FASE_LEGGI_PARAMETRI;
        if (schermo)
            AproSchermo(fase);
        Link.FaseCom = fase;
        StatoPressioni.PressMin = 0;
        StatoPressioni.PressMax = 2;
    }
    // An identity request leads to the states that beep.
    Link.InterrogoDati = (data[1] & 0x80) && g_stati > 4;
    Link.DatiRicevuti = data[1] & 0x40;
    GSM.GSMattivo = true;
    GSM.PrimoInvioGSM = data[0] & 0x80;

    const QByteArray resto(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    qsizetype p = 0;
    int passo = 1;
    while (p < resto.size()) {
        const qsizetype n = 1 + (passo * 37 + int(static_cast<unsigned char>(resto[p]))) % 97;
        Link.BufferRx += resto.mid(p, n);
        RiceviDati();
        p += n;
        ++passo;
        if (Link.BufferRx.size() > StatoLinkRec::MaxBufferRx)
            std::abort(); // the receive buffer must stay bounded
    }
    if (schermo) {
        Pressioni::ScaricaIstanza();
        LivSerb::ScaricaIstanza();
        Parametri::ScaricaIstanza();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return 0;
}
