#pragma once
// The simulated ECU's side of the wire format: the two-character checksum, the byte
// stuffing of binary live frames, the live frames (text, binary, MAP/TPS) and the reply
// lines it sends. Everything is bytes (one char per byte); nothing here is decoded as text.
// The checksum, the stuffing and the frame layouts exist in the program too; these copies are
// written apart from its protocol code on purpose and must not call it: the simulator is the
// other side of the line, so a mistake on one side is caught by the other, not copied.
#include <QByteArray>
#include <QDate>
#include <array>

namespace ecusim {

// Two characters "0".."?" (0x30 + nibble), high nibble first, of the byte sum modulo 256.
QByteArray CalcoloCS(const QByteArray& testo);

// Byte stuffing of binary frames: "D", "B", ESC, CR and LF go out as ESC + (code + 32).
constexpr char ESC = 27;
QByteArray CodificoDati(const QByteArray& dati);

// Whether a reply line carries a checksum before its CR LF. The short status replies, the
// parameter replies, the live frames and most programming replies do not; the identity
// replies, the personal map pages, "Frr" and anything unknown do.
bool RichiedeChecksum(const QByteArray& riga);

// A complete reply line: the text, its checksum where the code requires one, CR LF.
QByteArray RigaRisposta(const QByteArray& testo);

// Live channels in the order of the frame's fourteen words.
enum class Canale {
    Pressione1, DeltaP, Map, Temperatura, Lambda, LivelloGas, Tps,
    Pwm, DutyIn, Giri, Pcm, DutyPwm, Flusso, Libero1,
};
constexpr int NumCanali = 14;

// Scaling of each channel between the 16-bit word and its value (value = word / divisor).
int Divisore(Canale c);

// Names of the channels on the command line and the control channel, in channel order:
// p1 dp map temp lambda level tps pwm dutyin rpm pcm dutypwm flow spare. -1 if unknown.
const char* NomeCanale(Canale c);
int CanaleDaNome(const QByteArray& nome);

// How a channel's value moves with the model's time, in the record's units (the value the
// text frame shows: word / divisor). A ramp runs from a to b in periodoMs and starts again;
// a sine swings around a by b with period periodoMs.
struct Script {
    enum class Forma { Costante, Rampa, Seno };
    Forma forma = Forma::Costante;
    double a = 0;
    double b = 0;
    int periodoMs = 1000;
    double valore(qint64 ms) const;
};

// The values the ECU reports: the fourteen signed 16-bit words and the fuel character
// ("B" petrol, "G" gas). A channel may follow a script instead of a fixed word, and a text
// frame may carry any text in place of a channel's number.
struct ValoriLive {
    std::array<qint16, NumCanali> parole{};
    char carburante = 'G';
    std::array<bool, NumCanali> conScript{};
    std::array<Script, NumCanali> script{};
    std::array<QByteArray, NumCanali> testo{}; // non-empty: sent in DC frames, right-justified in 8

    qint16 parola(Canale c) const { return parole[size_t(c)]; }
    void impostaParola(Canale c, qint16 w) { parole[size_t(c)] = w; }
    // Sets a channel from its value in the record's units (850 rpm, 700 for the lowest
    // T.P.S. ...), rounded to the nearest word and clipped to the 16-bit range. The
    // channel's script, if any, is dropped.
    void imposta(Canale c, double valore);
    void impostaScript(Canale c, const Script& s);
    // Words of the scripted channels at model time ms.
    void aggiorna(qint64 ms);
};

// One assignment NAME=SPEC, as --value and the control channel take it: a number
// (constant), ramp:FROM:TO:MS, sine:CENTRE:AMPLITUDE:MS, or text:TEXT (that text in DC frames
// in place of the number; text: alone removes it). fuel=B or fuel=G sets the fuel character.
bool ImpostaValoreLive(ValoriLive& v, const QByteArray& assegnazione, QByteArray* errore = nullptr);

// Text form of one word as the text frame carries it, right-justified in 8 characters.
QByteArray CampoTesto(Canale c, qint16 parola);

// "DC", fourteen 8-character fields each followed by ",", the fuel character, CR LF (131).
QByteArray TramaDC(const ValoriLive& v);
// "DB", the stuffed 28 bytes of the words (big-endian) and the fuel character, CR LF.
QByteArray TramaDB(const ValoriLive& v);
// "DT", fourteen raw words as integers right-justified in 8 characters separated by ",",
// CR LF (129). The MAP word falls at 21-28 and the TPS word at 57-64.
QByteArray TramaDT(const ValoriLive& v);

// What the ECU knows about itself. Fields are texts as they go out on the wire; each is
// padded with blanks or cut to its width when a reply is built, so a test can put anything
// (an impossible date, letters in the type) into any field.
struct Identita {
    char riservato = ' ';                    // third character of the identity replies
    QByteArray dataInstallazione = "15032024"; // ddmmyyyy; "01011900" = not installed yet
    QByteArray tipoCentralina = "02";
    QByteArray dataRevisione = "15032025";
    QByteArray tipoInstallazione = "00";     // "00" standard map, "01" personalised map
    QByteArray matricola = "A0012345";       // 8
    QByteArray lotto = "L24011";             // 6
    QByteArray versioneTabella = "07";       // 2
    QByteArray versioneSw = "02.510315";     // 9 in the long form, first 6 in the short one
    QByteArray versioneCaric = "01.030512";  // 9, long form only

    static QByteArray data(const QDate& d); // ddmmyyyy
};

// Complete identity reply "R8": dates, type, installation type, serial, batch, table
// version, software (and in the long form loader) version. 61 characters long, 49 short.
QByteArray RispostaR8(const Identita& id, bool lunga);
// Short identity reply "R4": type, serial, batch, software (and loader) version. 41 / 29.
QByteArray RispostaR4(const Identita& id, bool lunga);

// Personal map page "RZ": page number (3 digits), "0" more pages / "$" last, 30 values of
// 6 characters, checksum, CR LF (191).
QByteArray PaginaRZ(const Identita& id, int pagina, bool ultima, const QByteArray& valori180);

// A number as a 6-character field: zero-padded, "-" first for negatives ("-00001").
QByteArray Campo6(int valore);

// Value of one hexadecimal digit (either case), -1 for any other character.
int CifraEsadecimale(char c);

// Left-justified copy of a field at a fixed width (blanks added, or cut).
QByteArray Fisso(const QByteArray& testo, int larghezza);

} // namespace ecusim
