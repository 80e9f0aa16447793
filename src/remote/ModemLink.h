#pragma once
// The remote-assistance link: the modem port's receive path, the modem dialogue, the
// station's commands and the staging of what it sends under TEMPOR and SOFTWARE.
#include <QByteArray>
#include <QString>

// ---- receive path and modem dialogue ----

// Receive event of ComGSM: hands what arrived to RicevoGSM.
void ComGSM_OnComm();
// Appends bytes received from the modem to GSM.BufferGSM, bounds it (LimitoBufferGSM) and
// runs GestioneGSM.
void RicevoGSM(const QByteArray& dati);
// Connects ComGSM's receive event and its lost-port signal (once).
void CollegoRicezioneGSM();
// Consumes GSM.BufferGSM: the modem's answers in states 1 to 3, otherwise a lost carrier
// or one STX..ETX frame, unescaped and handed to ElaboroComandoGSM.
void GestioneGSM();
// Cuts the first complete frame (STX to ETX inclusive) from buf, dropping what precedes
// its STX; an empty result when no frame is complete yet (buf then begins at its STX).
QByteArray TaglioTrama(QByteArray& buf);
// Bounds buf to StatoGSMRec::MaxBufferGSM: an open frame beyond is dropped up to the next
// STX; modem text keeps its newest bytes.
void LimitoBufferGSM(QByteArray& buf);

// The modem port number: the number after "COM" of "PortaGSM", 5 when none or out of range.
int PortaModem();
// The carrier is gone (NO CARRIER, or the port was lost): close the port and end whatever
// the link was doing, as its watchdog would.
void PerdoPortante();

// Handlers of the live-data screen's remote-assistance controls.
void AproAggancio();         // TastoGSM: the connection dialog, modal
void RiattaccoGSM();         // ChiudoGSM: hang up
void ScadenzaModem();        // TimeOutModem fired

// ---- the station's commands ----

// Interprets one unescaped frame (STX, code, data, check character, ETX).
void ElaboroComandoGSM(const QByteArray& trama);

// The software bytes of GSM.BufferS19 as hexadecimal S-record text: "S" and the type
// digit as they are, ESC c as the byte c - 32, any other byte as itself; a trailing "S"
// or ESC stays in the buffer. errore (when given) is set for an ESC before a byte below
// 32: the result is then empty and the buffer unchanged.
QByteArray ConvertoBufferS19(bool* errore = nullptr);

// The software transfer under way is recorded in SOFTWARE\RICEZIONE.~zeq (its name; no
// station name may start with that folder) from before its SOFTWARE\<name>.S19.~zeq is
// created until its description took its place; its FP9 commits it by writing the
// description as <name>.TXT.~zeq. ConcludoSoftware ends the recorded transfer: a
// committed one takes its place (the software first), any other loses its partial software;
// the record goes last. A record that is not a regular file is none, and files the record
// does not name are never touched (a person's "<name>.S19.PART" included). A transfer the
// build before recorded in SOFTWARE\RICEZIONE.NEW, with ".PART" files, is ended the same way.
// False when a step fails: the record stays for the next try, and ostacolo (when given)
// names the file that stopped it, with the reason (WithReason).
bool ConcludoSoftware(QString* ostacolo = nullptr);

// Ends the recorded software transfer (ConcludoSoftware) and forgets it; a finished software
// file is never touched. False when a committed transfer could not take its place yet.
bool CancelloSoftwareParziale(QString* ostacolo = nullptr);

// Finishes a committed catalogue update (TEMPOR\AGGMARCA.OK) from what it left; its staged
// map and limits belong to it until then. True when none is left pending; otherwise
// ostacolo (when given) names the file or folder that stops it, where one does, with the
// system's reason (WithReason).
bool ConcludoAggiornamento(QString* ostacolo = nullptr);

// Applies a staged catalogue update (TEMPOR\AGGMARCA.NEW, FILEQOX.NEW, LIMITI.NEW) to the
// staging catalogue below TEMPOR, once a committed update left unfinished has been finished
// (ConcludoAggiornamento). -1 done, 0 failed. Refused, with nothing created or
// moved, when a staged file is missing, the record names no petrol ECU, the new key's
// folder stands in the way of a changed key, the map is not whole (a map of values short of
// the map version, an S-record map with a line that is no S-record), the limits are empty,
// or something the update could not get past stands in its way: a file it replaces (the
// map, LIMITI.TXT, the catalogue) that the atomic rewrite could not replace, resolved as it
// will be (Files::Sostituibile: through links, in a folder that takes a new file), a
// folder on the way (make, key, slot) that is no folder or cannot be made. ostacolo (when
// given) names what stood in the way, or what stops a committed update, with the reason.
int AggiornoDaAssistenza(QString* ostacolo = nullptr);

// At start-up: finishes a catalogue update or a software transfer that was committed but
// cut short, and removes the partial software of a recorded transfer that never finished.
void RiordinoDopoInterruzione();

// Whether a byte below 32 or 127 occurs in the text.
bool ConControllo(const QByteArray& testo);

// ---- shared by the link's procedures ----

// What stopped a step, as the workshop is shown it: the file or folder, then the system's
// reason where there is one; a reason that names the file already stands alone.
QString WithReason(const QString& nome, const QString& perche);

// The names of a catalogue record message (208 characters: make 1-20, record 21-200, map
// name 201-208): make, model key (186-197) and map name (upper case), trimmed. False when
// the record holds a control byte or a name cannot be one path component.
struct NomiAggMarca {
    QString marca, chiave, mappa;
};
bool LeggoNomiAggMarca(const QByteArray& record, NomiAggMarca& nomi);

class DatiMotore;
// The live-data screen while it is the current function, else nullptr.
DatiMotore* SchermoAssistenza();
// A name or text sent by the station, as Windows text of the user's language.
QString TestoStazione(const QByteArray& b);
