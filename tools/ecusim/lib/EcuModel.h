#pragma once
// A gas ECU as the program sees it on the serial line: command lines in, reply lines and
// live frames out. The model has no threads and no clock of its own: ricevi() hands it the
// bytes the program wrote, avanza(ms) moves its time on and returns what it sends in that
// time. The same model runs in-process in the tests and behind a pseudo-terminal in the
// ecusim tool. Its checks of what it receives (blocks, S-records and their sums, value
// fields) are its own, independent of the program's protocol code on purpose.
#include "ecusim/lib/Codifica.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>
#include <array>

namespace ecusim {

// One line received from the program, with the model time (ms) at which its LF arrived.
// The line is kept as received, CR LF included.
struct RigaRicevuta {
    qint64 ms = 0;
    QByteArray riga;
    // The line without its line end.
    QByteArray testo() const;
};

struct Opzioni {
    bool trameBinarie = false;  // DB frames instead of DC
    int periodoMs = 250;        // live frame period (at least 1)
    bool rispostaBreve = false; // R4 (no dates) instead of R8
    bool formaLunga = true;     // identity with the 9-character versions and the loader
    int ritardoRispostaMs = 5;  // from the command's LF to the reply
    int msRiavvio = 500;        // pause of the frames while the ECU restarts after flashing
    // Extra time before the reply to a command key ("MUFS", "MWin" for its "Fl0" ...), in ms.
    // Live frames due meanwhile go out first, unless trameFermeInRitardo pauses them until the
    // delayed reply has gone.
    QHash<QByteArray, int> ritardoPer;
    bool trameFermeInRitardo = false;
    // The engine runs: parameters cannot be stored ("MUFS" gets "Rfsko").
    bool motoreAcceso = false;
    // The ECU has lost its data: from the next power-on its type field is not a number.
    bool datiPersi = false;
};

// Fault switches. Replies to the command named in soloPer (any command when empty) are
// counted; from the daRisposta-th of them on, for volte replies (-1 = no limit), a reply is
// "faulty" and every switch that is on applies to it. Live frames are never touched.
// A command whose reply is withheld (silenzio) or replaced by a refusal (R0, R2, R7, Rfsko,
// a programming code other than Fl0 and Fok) is not carried out: a refused block is not
// taken, a refused date not stored, a programming line not written. With any other
// replacement (a page, a value, R1, R5 ...) the ECU does the command and only the reply
// on the wire differs.
struct Guasti {
    // Reply text sent instead ("R0", "R2", "FW0" ...); its checksum and CR LF are added where
    // the code needs them. A text that already ends in CR LF goes out exactly as given (a
    // page built with PaginaRZ and then altered). Empty = the real reply.
    QByteArray sostituto;
    bool silenzio = false;      // no reply at all
    bool checksumErrato = false; // a reply that carries a checksum carries a wrong one
    QByteArray rumore;          // bytes sent just before the reply
    bool aPezzi = false;        // the reply goes out in chunks cut at random points
    int msTraPezzi = 10;        // time between two chunks
    QByteArray soloPer;         // command key ("MUB", "MZ", "S" for a programming line ...)
    int daRisposta = 1;         // first faulty reply: 1 = the first reply to soloPer, n = the n-th
    int volte = -1;
    int contate = 0;            // replies to soloPer seen so far (counted by the model)

    bool attivi() const { return !sostituto.isEmpty() || silenzio || checksumErrato || !rumore.isEmpty() || aPezzi; }
};

// How the ECU behaves while it is being programmed ("MWin" / "MWca" and the lines).
struct Flash {
    bool trameDurante = false;      // live frames keep streaming during programming
    bool trameSoloDopoCiclo = false; // after "Fok" frames come back only after a power cycle
    bool controlloSomme = true;     // a padded transfer's end record must carry sums A and B ("Fer")
    bool fedSubito = false;         // "MWin"/"MWca" answered at once with "Fed"
    bool mutoAllAvvio = false;      // "MWin"/"MWca" not answered (and not obeyed)
    int fl0DiNuovoAllaRiga = -1;    // after line n "Fl0" again: the image restarts (once)
    bool nonConserva = false;       // "Fok", but the old program (and identity) stays
};

class EcuModel {
public:
    EcuModel();

    Opzioni opzioni;
    Guasti guasti;
    Flash flash;
    Identita identita;
    ValoriLive valori;
    // Stored parameters: tank minimum, tank maximum, switch, changeover temperature, forced
    // gas, changeover threshold, drooping, sampling number; -1 = not stored.
    std::array<int, 8> parametri{1200, 2950, 0, 45, 0, 1500, 100, 10};
    QByteArray tipoParametri = "000001";
    // Pressure value read by "MUD", 8 characters as sent (right-justified).
    QByteArray pressione = "    1.20";
    // Personalised map held by the ECU, 6-character values, sent 30 to a page by "MU2"/"MUA".
    QByteArray mappaPersonale;

    // Bytes written by the program (any chunking). Lines are logged and answered.
    void ricevi(const QByteArray& dati);
    // Moves the model's time on by ms and returns everything the ECU sends in that time.
    QByteArray avanza(int ms);
    qint64 ora() const { return m_ora; }
    // Time in ms until the ECU next has something to send (-1: nothing planned).
    qint64 prossimoInvio() const;

    // Power: switched off the ECU sends nothing, hears nothing and loses what it was sending;
    // switched on again it streams live frames by itself. cicloAccensione switches it off now
    // and on again after msSpento.
    void spegni();
    void accendi();
    void cicloAccensione(int msSpento);
    bool acceso() const { return m_acceso; }

    void impostaSeme(quint32 seme) { m_caso.seed(seme); }

    // A burst of n live frames sent back to back, as fast as the reader takes them, besides
    // the periodic ones. The driver pulls them with estraiRaffica when the line has room;
    // they never cut into a reply that is still going out.
    void raffica(int n) { m_raffica = std::max(0, n); }
    int rafficaRestante() const { return m_raffica; }
    QByteArray estraiRaffica(int massimo);

    // Live frames paused (nothing streams, none is made up later) and resumed.
    void sospendiTrame(bool sospese);
    bool trameSospese() const { return m_trameSospese; }

    // What the ECU was told and did.
    const QList<RigaRicevuta>& registro() const { return m_registro; }
    QList<QByteArray> comandiRicevuti() const; // log lines without their line ends
    void svuotaRegistro() { m_registro.clear(); }
    bool inTrasmissione() const { return m_trasmette; }
    bool dtAttivo() const { return m_dt; }
    int trameInviate() const { return m_trameInviate; }
    // Data image received with "MZ" blocks (complete once the last block came).
    const QByteArray& immagineDati() const { return m_immagine; }
    bool immagineCompleta() const { return m_immagineCompleta; }
    // Value written by "MUE" (its 6 characters) and the lines programmed by "MWin"/"MWca".
    const QByteArray& pressioneMemorizzata() const { return m_pressioneMemorizzata; }
    const QList<QByteArray>& lineeProgrammate() const { return m_lineeFlash; }
    bool caricatoreProgrammato() const { return m_flashCaricatore; }
    // Per programmed line: whether it came left-padded with "0".
    const QList<bool>& lineeRiempite() const { return m_lineeRiempite; }
    bool inProgrammazione() const { return m_flash; }

private:
    struct Pezzo {
        qint64 quando;
        QByteArray dati;
    };
    struct Comando {
        const char* chiave;
        bool conArgomenti; // the key is followed by fields
        bool risponde;     // the ECU answers it (faults count only such commands)
        void (EcuModel::*gestore)(const QByteArray& testo);
    };
    static const Comando s_comandi[];

    void elaboroRiga(const QByteArray& riga);
    bool colpita(const QByteArray& chiave);
    // Runs a handler, or sends the fault in its place when the reply is replaced or withheld.
    void esegui(const QByteArray& chiave, bool risponde, void (EcuModel::*gestore)(const QByteArray&),
                const QByteArray& testo);
    void adottoRevisione();
    void accoda(const QByteArray& dati, qint64 quando);
    void rispondi(const QByteArray& chiave, const QByteArray& testo);
    QByteArray trama(qint64 quando);
    void inviaTrama(qint64 quando);
    bool streaming() const;
    void avviaTrasmissione(qint64 primaTrama);
    void fineProgrammazione();
    QByteArray pagina(int n, bool* ultima) const;
    int numeroPagine() const;

    void suAvvio(const QByteArray&);
    void suDtOff(const QByteArray&);
    void suDtOn(const QByteArray&);
    void suIdentita(const QByteArray&);
    void suInizioTabella(const QByteArray&);
    void suBlocco(const QByteArray& testo);
    void suFineTabella(const QByteArray&);
    void suLetturaPersonale(const QByteArray&);
    void suPaginaSuccessiva(const QByteArray&);
    void suFineScambio(const QByteArray&);
    void suData(const QByteArray& testo);
    void suLetturaPressione(const QByteArray&);
    void suScritturaPressione(const QByteArray& testo);
    void suLetturaParametriR(const QByteArray&);
    void suLetturaParametriN(const QByteArray&);
    void suScritturaParametri(const QByteArray& testo);
    void suProgrammaSw(const QByteArray&);
    void suProgrammaCaricatore(const QByteArray&);
    void suLineaProgramma(const QByteArray& testo);
    void inizioProgrammazione(const QByteArray& chiave, bool caricatore);
    void erroreProgrammazione(const char* codice);
    bool controlloSommeDovuto() const;
    void sommoRecord(char tipo, const QList<int>& byte);
    void adottoProgramma();

    qint64 m_ora = 0;
    bool m_acceso = true;
    qint64 m_riaccensione = -1; // planned switch-on time, -1 none
    bool m_trasmette = false;
    qint64 m_prossimaTrama = 0;
    bool m_dt = false;
    int m_trameInviate = 0;
    int m_raffica = 0;

    bool m_trameSospese = false;
    bool m_guastoCorrente = false; // the reply being built is a faulty one
    QByteArray m_rigaCorrente;     // the line being handled, line end included

    QByteArray m_ingresso;
    QList<RigaRicevuta> m_registro;
    QList<Pezzo> m_uscita;
    QList<QList<Pezzo>> m_differite; // delayed replies, in the order they were given
    QRandomGenerator m_caso{1};

    bool m_tabella = false;
    int m_bloccoAtteso = 0;
    QByteArray m_immagine;
    bool m_immagineCompleta = false;

    int m_paginaPersonale = -1;

    bool m_flash = false;
    bool m_flashCaricatore = false;
    QList<QByteArray> m_lineeFlash;
    QList<bool> m_lineeRiempite;
    bool m_lineaRiempita = false;
    int m_sommaA = 0;
    int m_sommaB = 0;
    bool m_sommaBAttiva = false;

    QByteArray m_pressioneMemorizzata;
};

} // namespace ecusim
