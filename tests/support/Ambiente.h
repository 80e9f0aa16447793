#pragma once
// Shared fixture of the ECU-link and screen tests: clean module state, English messages, a
// writable program folder, every form unloaded and the archive closed after each test, the
// lines written to the ECU and the modem recorded.
#include "catalogue/Progsw.h"
#include "diagnosis/DatiMotore.h"
#include "diagnosis/Pressioni.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/Timer.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"
#include "vehicle/Attesa.h"
#include "vehicle/MandoDati.h"
#include "vehicle/Veicolo.h"

#include <QByteArrayList>
#include <gtest/gtest.h>
#include <memory>
#include <source_location>

// Unloads every form and lets the deferred deletions run.
void ScaricoTutto();

namespace ecusim {
class EcuModel;
}

// The program moves on as soon as it has written a command; the ECU simulator in the test
// process reads it at a later turn of the event loop. Waits until the simulator has received
// `comando` at least `volte` times, so that what it received can be asserted.
bool RicevutoDalSimulatore(const ecusim::EcuModel& ecu, const QByteArray& comando, int volte = 1,
                           int timeoutMs = 20000);

// A reply line with its checksum and CR LF.
QByteArray ConChecksum(const QByteArray& testo);

// Identity replies. Complete (R8): dates ddmmyyyy, type, installation type (2 characters
// each), serial 8, batch 6, table version 2, software version (9 long form, 6 short form),
// loader version 9 (long form only).
struct Identita {
    QByteArray inst = "15032020", tipo = "03", rev = "01012021", tipoInst = "00";
    QByteArray matricola = "SN000123", lotto = "LT0042", tabella = "07";
    QByteArray sw = "03.10ABCD", caric = "01.0012AB";
    bool lunga = true;
    QByteArray R8() const;
    QByteArray R4() const;   // type in positions 4-5
};

// A DC record from 14 field texts and the fuel letter.
QByteArray TramaDC(const QList<QByteArray>& campi, char carburante = 'G');
// A DC record with every field "0" except the given ones.
QByteArray TramaDCSemplice(char carburante = 'G');

// The watchdogs of the vehicle and live-data screens, by their timers' names.
enum class WatchdogTimer { TimeOutTx, Dati_Out, TimeOutModem };

// Fires a screen's watchdog as its interval running out does: only a watchdog the screen has
// started fires (RispostaAvviata, CollegamentoAvviato, ModemAvviato). One that is not started
// runs nothing and fails the test at the line that fired it, so every firing also checks that
// the program armed the watchdog.
void FireWatchdog(Veicolo* v, WatchdogTimer w, std::source_location where = std::source_location::current());
void FireWatchdog(DatiMotore* d, WatchdogTimer w, std::source_location where = std::source_location::current());

class AmbienteLink : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Lines written to the ECU, one entry per write.
    QByteArrayList scritto;
    QByteArrayList modem;
    std::unique_ptr<CartellaProgramma> cartella;
    std::unique_ptr<RegistroBox> box;
    void ricevo(const QByteArray& dati);
};

// The link set up with the vehicle screen open (the menu's F1 has set Funzione = 1). The
// screen's port COM1 is a pseudo-terminal, so it opens as on a workshop PC; what the program
// writes is recorded in `scritto` as well.
class AmbienteVeicolo : public AmbienteLink {
protected:
    Veicolo* v = nullptr;
    std::unique_ptr<Pty> pty;
    void SetUp() override;
};
