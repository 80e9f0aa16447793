#pragma once
// The receive path of the ECU link: the receive event, the line splitter, the checksum
// of ECU lines and the reply processor with its abort sequence.
#include <QByteArray>
#include <functional>

// Receive event of the ECU port: on "characters received" appends the port's input to
// the receive buffer and runs the splitter.
void Comunic_OnComm();

// Cuts every complete line out of the receive buffer, finds where its reply begins, tests
// its checksum where its code requires one and hands it to the reply processor. A line is
// cut out of the buffer before it is processed, so a nested receive event (inside a modal
// box opened by a branch) goes on with the rest.
void RiceviDati();

// Two-character checksum of ECU lines: the low byte of the sum of the byte values, high
// nibble first, each nibble as the character 0x30 + nibble.
QByteArray CalcoloCS(const QByteArray& testo);

// Whether the line's reply code carries a checksum that the splitter tests.
bool ChecksumRichiesto(const QByteArray& riga);

// Where the reply of a received line begins (0-based): the earliest position at which a
// known reply code starts; when none occurs, the largest of the first positions of "R",
// "D" and "F" (0 when none of them occurs).
int InizioRisposta(const QByteArray& riga);

// Processes one reply line (from its code up to and including LF): dispatch on the reply
// code, then on the request state. Failures inside a branch end the processing of the
// line quietly and close the transfer files.
void ElaboroRisposta(const QByteArray& riga);

// The abort sequence with which a reply branch ends an exchange that failed.
enum class SchermoRichiesta { Veicolo, DatiMotore };
enum class DialogoOccupato { Nessuno, Attesa, MandoDati, Pressioni, Progsw };
struct OpzioniErroreCom {
    bool riabilitaSchermo = false;        // enable the requesting screen again
    bool fermaDatiOutAllInizio = false;   // stop the vehicle's link watchdog at the start
};
void SegnaloErroreCom(int messaggio, SchermoRichiesta schermo, DialogoOccupato dialogo,
                      OpzioniErroreCom opzioni = {});

// Test seam: when set, every line handed to the reply processor is handed to it first.
void ImpostaOsservatoreRisposte(std::function<void(const QByteArray&)> osservatore);
