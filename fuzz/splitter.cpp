// Fuzz target: the ECU receive path. The first two bytes choose the screen in use and the
// request state; the rest arrives in chunks whose sizes come from the input itself, and
// goes through the line splitter and the reply processor with no screen open.
#include "diagnosis/RigaDati.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/BoxHost.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"

#include <QApplication>
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
    return 0;
}
