#pragma once
// The serial protocol with the gas ECU in one place: the request states, every command
// line the program writes and every reply code it understands. Commands are ASCII text
// ending in CR LF; replies are lines ending in CR LF whose first one to three characters
// are the reply code.
#include <QByteArray>

// Request states: the code of the request whose reply is awaited.
namespace Fase {
constexpr int FASE_LIBERA = -1;
constexpr int FASE_ATTIVAZIONE = 2;
constexpr int FASE_LETTURA_PERSONALE = 3;
constexpr int FASE_INVIO_TABELLA = 4;
constexpr int FASE_PROGRAMMAZIONE_SW = 5;
constexpr int FASE_DATA_INSTALLAZIONE = 6;
constexpr int FASE_LETTURA_PRESSIONE = 7;
constexpr int FASE_SCRITTURA_PRESSIONE = 8;
constexpr int FASE_SPEGNIMENTO = 9;
constexpr int FASE_SALVA_SERBATOIO = 10;
constexpr int FASE_LEGGI_SERBATOIO = 11;
constexpr int FASE_LEGGI_PARAMETRI = 12;
constexpr int FASE_VERIFICA_PRESSIONI = 13;
constexpr int FASE_SPEGNIMENTO_SW = 14;
constexpr int FASE_VERIFICA_SW = 15;
constexpr int FASE_SALVA_PARAMETRI = 16;
constexpr int FASE_LEGGI_PARAMETRI_N = 17;
constexpr int FASE_LEGGI_SERBATOIO_N = 19;
constexpr int FASE_PROGRAMMAZIONE_ULP = 20;
constexpr int FASE_RICHIESTA_VERSIONE = 100;
} // namespace Fase
using namespace Fase;

namespace Protocollo {

inline const QByteArray CRLF = QByteArrayLiteral("\r\n");

// Command texts (without CR LF).
inline const QByteArray ComandoAvvioDati = QByteArrayLiteral("M#");          // live frames begin
inline const QByteArray ComandoDatiNormali = QByteArrayLiteral("MF");        // normal frames, DT off
inline const QByteArray ComandoDatiTarMP = QByteArrayLiteral("MT");          // DT frames on
inline const QByteArray ComandoRichiestaVersione = QByteArrayLiteral("MUB"); // identity request
inline const QByteArray ComandoLetturaPersonale = QByteArrayLiteral("MU2");  // personal map read-out
inline const QByteArray ComandoPaginaSuccessiva = QByteArrayLiteral("MUA");  // next RZ page
inline const QByteArray ComandoFineScambio = QByteArrayLiteral("MU3");       // end of the exchange
inline const QByteArray ComandoInizioTabella = QByteArrayLiteral("MU0");     // data image upload
inline const QByteArray ComandoFineTabella = QByteArrayLiteral("MU1");       // end of the upload
inline const QByteArray ComandoDataInstallazione = QByteArrayLiteral("MUC"); // + ddmmyyyy
inline const QByteArray ComandoLetturaPressione = QByteArrayLiteral("MUD");
inline const QByteArray ComandoScritturaPressione = QByteArrayLiteral("MUE"); // + 6 digits
inline const QByteArray ComandoLetturaParametri = QByteArrayLiteral("MUFR");
inline const QByteArray ComandoLetturaParametriN = QByteArrayLiteral("MUFN");
inline const QByteArray ComandoScritturaParametri = QByteArrayLiteral("MUFS"); // + 6-char fields
inline const QByteArray ComandoProgrammazioneSw = QByteArrayLiteral("MWin");
inline const QByteArray ComandoProgrammazioneCaric = QByteArrayLiteral("MWca");
inline const QByteArray ComandoBloccoTabella = QByteArrayLiteral("MZ");        // + block

// Reply codes (the first characters of a reply line).
inline const QByteArray RispostaNonRicevuto = QByteArrayLiteral("R0");
inline const QByteArray RispostaTabellaMemorizzata = QByteArrayLiteral("R1");
inline const QByteArray RispostaErroreComunicazione = QByteArrayLiteral("R2");
inline const QByteArray RispostaIdentitaBreve = QByteArrayLiteral("R4");
inline const QByteArray RispostaBloccoAccettato = QByteArrayLiteral("R5");
inline const QByteArray RispostaProntoTabella = QByteArrayLiteral("R6");
inline const QByteArray RispostaBloccoRifiutato = QByteArrayLiteral("R7");
inline const QByteArray RispostaIdentitaCompleta = QByteArrayLiteral("R8");
inline const QByteArray RispostaDataMemorizzata = QByteArrayLiteral("R9");
inline const QByteArray RispostaPaginaPersonale = QByteArrayLiteral("RZ");
inline const QByteArray RispostaPressione = QByteArrayLiteral("Rd");
inline const QByteArray RispostaPressioneMemorizzata = QByteArrayLiteral("Re");
inline const QByteArray RispostaTreParametri = QByteArrayLiteral("Rfr");
inline const QByteArray RispostaOttoParametri = QByteArrayLiteral("Rfn");
inline const QByteArray RispostaParametriSalvati = QByteArrayLiteral("Rfs");
inline const QByteArray TramaDatiTesto = QByteArrayLiteral("DC");
inline const QByteArray TramaDatiBinaria = QByteArrayLiteral("DB");
inline const QByteArray TramaTarMP = QByteArrayLiteral("DT");
// Programming replies: "F" and a two-character code.
inline const QByteArray RispostaProgApri = QByteArrayLiteral("Fl0");
inline const QByteArray RispostaProgRiga = QByteArrayLiteral("FW0");
inline const QByteArray RispostaProgFine = QByteArrayLiteral("Fok");

// Line lengths the reply branches test (CR LF and checksum included).
constexpr int LungIdentitaBreveLunga = 41;
constexpr int LungIdentitaCompletaLunga = 61;
constexpr int LungTramaDatiTesto = 131;
constexpr int LungTramaTarMP = 129;
constexpr int LungPaginaPersonale = 191;
constexpr int LungParametriTre = 23;    // Rfr: three values
constexpr int LungParametriOtto = 59;   // Rfn: eight values and the type field

// A command line: text + CR LF.
inline QByteArray Riga(const QByteArray& comando) { return comando + CRLF; }

// Right("000000" & valore, 6): the 6-character field of the commands.
QByteArray Campo6(const QByteArray& valore);

// "MUC" + day (2) + month (2) + year (4) + CR LF from the texts typed on the vehicle
// screen: day and month trimmed, the year as typed.
QByteArray RigaDataInstallazione(const QByteArray& giorno, const QByteArray& mese,
                                 const QByteArray& anno);

// "MUE" + the pressure value times 100, formatted "#0", in a 6-character field + CR LF.
// The value is the number the text begins with (leading blanks skipped), shifted two
// decimal places and rounded halves away from zero on its decimal digits ("0.125" gives
// 000013, "-0.5" gives 000-50). "" when the result needs more than six characters: it is
// refused, never cut.
QByteArray RigaScritturaPressione(const QByteArray& testo);

// Block n of the data image: "MZ", n in 3 digits, "$" on the last block else "0", the 180
// characters of the image from n*180, the checksum of all that, CR LF.
QByteArray BloccoTabella(const QByteArray& immagine, int n);

} // namespace Protocollo
