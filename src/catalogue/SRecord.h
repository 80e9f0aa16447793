#pragma once
// Motorola S-records: the reader of one record line, the checksum, the S1 writer that turns
// value lines into words, and the conversion of a normalised map value file (.QOX) into
// the S-record map (.F19) that programming images are built from.
//
// A map .F19 is an S0 header (map version, software name L0AA, conversion date) followed
// by the S1 records of seven address segments, in this order: the PWM area (values
// 2003-2604 from 0x4FA6), the PCM area (2605-2630 from 0x545A), 1-2002 from 0x4002,
// 2631-2786 from 0x548E, 2787-2818 from 0x55C6, 2819-2827 from 0x5606 and 2828 to the
// end from 0x5618. Each S1 record holds at most 42 words, high byte first; lines end
// with CR LF; no end record is written.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <cstdint>

// One S-record line taken apart.
struct RecordS {
    char Tipo = 0;               // '0' to '9'
    int Conteggio = 0;           // count byte: address + data + checksum bytes
    uint32_t Indirizzo = 0;
    int LunghezzaIndirizzo = 0;  // address bytes: 2, 3 or 4
    QByteArray Dati;             // data bytes
    uint8_t Checksum = 0;        // checksum byte as stored
    bool ChecksumValido = false;
};

// Address bytes of a record type (S0, S1, S5, S9: 2; S2, S6, S8: 3; S3, S7: 4); 0 for
// anything else.
int LunghezzaIndirizzoS(char tipo);

// Reads one line (without its line end; trailing blanks ignored): "S", type digit, count,
// address, data and checksum as upper- or lower-case hex, the length agreeing with the
// count. False for anything else. The checksum is checked into ChecksumValido only.
bool LeggoRecordS(QByteArrayView riga, RecordS& record);
// A whole S-record with a correct checksum.
bool RecordSValido(QByteArrayView riga);
// Whether a text is one or more lines, each a whole S-record with a correct checksum.
bool RigheRecordS(const QByteArray& testo);

// The 2-hex-digit checksum of a record body: its characters taken two at a time, each pair
// that is hex added up (so a leading "S1" adds nothing), 255 minus the low byte of the sum.
QByteArray CalcoloChecksum(QByteArrayView corpo);

// Right("0000..." & Hex(value), cifre), upper case.
QByteArray Esadecimale(uint32_t valore, int cifre);

// The 4 hex digits of a map value: rounded to a whole number, 16-bit two's complement
// (-1 is FFFF, 300 is 012C).
QByteArray ParolaMappa(double valore);

// The S1 records (CR LF each) of value lines primaRiga to ultimaRiga of a text, starting at
// address indirizzo; lines whose first character is "*" do not count. Each value is
// ValoreConSegno of the line's first 6 characters. False when the text ends before
// ultimaRiga. Nothing is written when primaRiga > ultimaRiga.
bool RecordS1(const QByteArray& sorgente, int primaRiga, int ultimaRiga, uint32_t indirizzo,
              QByteArray& uscita);

// The same from file sorgente into file destinazione (written atomically). 0, or 1 on any
// error; on error destinazione is left as it was.
int ScrivoRecordS1(const QString& sorgente, const QString& destinazione, int primaRiga,
                   int ultimaRiga, uint32_t indirizzo);

// The S0 header line (without line end) of a map of the given version converted on data:
// "02", the version as two characters, "L0AA00", day, month, year (2 bytes), "00000".
QByteArray IntestazioneS0(int versione, QDate data);

// The .F19 text of a normalised value file's bytes. 0 done, 15 when a segment cannot be
// written (fewer than 2,827 value lines), 99 when the version record is missing.
int MappaInF19(const QByteArray& qox, QDate data, QByteArray& f19);

// Converts sorgente.QOX (normalised, paths without extension) into destinazione.F19 with
// the date oggi (today when null). 0: the .F19 is written and the .QOX deleted; 15 a
// segment could not be written; 99 any other error. On failure the .QOX and any earlier
// .F19 stay as they were. No work file is left on disk.
int ConvertoMappaInF19(const QString& sorgente, const QString& destinazione, QDate oggi = {});

// Normalises sorgente.QOX and converts it into destinazione.F19: 0, 15 (normalising or a
// segment failed) or 99. After a failure no destinazione.F19 exists.
int PreparoMappa(const QString& sorgente, const QString& destinazione, QDate oggi = {});
