#include "ecusim/lib/EcuModel.h"

#include <algorithm>

namespace ecusim {

namespace {

// Lines without an LF are not kept beyond this (a stuck sender cannot grow the buffer).
constexpr qsizetype MaxIngresso = 64 * 1024;

QByteArray SenzaFineRiga(QByteArray riga)
{
    while (riga.endsWith('\n') || riga.endsWith('\r'))
        riga.chop(1);
    return riga;
}

bool TuttoCifre(const QByteArray& t)
{
    return !t.isEmpty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A 6-character value field as the program sends it: digits, blanks and at most one "-"
// anywhere ("000-50", "0000-1", "  0001"). Its value is the digits with the sign of the "-".
bool CampoValore(const QByteArray& campo, int* valore = nullptr)
{
    if (campo.size() != 6 || campo.count('-') > 1)
        return false;
    int v = 0;
    for (char c : campo) {
        if (c >= '0' && c <= '9')
            v = v * 10 + (c - '0');
        else if (c != ' ' && c != '-')
            return false;
    }
    if (valore)
        *valore = campo.contains('-') ? -v : v;
    return true;
}

} // namespace

QByteArray RigaRicevuta::testo() const
{
    return SenzaFineRiga(riga);
}

// Commands the ECU understands. Literal commands must match the whole line; the others
// begin with their key and carry fields.
const EcuModel::Comando EcuModel::s_comandi[] = {
    {"M#", false, false, &EcuModel::suAvvio},
    {"MF", false, false, &EcuModel::suDtOff},
    {"MT", false, false, &EcuModel::suDtOn},
    {"MUB", false, true, &EcuModel::suIdentita},
    {"MU0", false, true, &EcuModel::suInizioTabella},
    {"MZ", true, true, &EcuModel::suBlocco},
    {"MU1", false, false, &EcuModel::suFineTabella},
    {"MU2", false, true, &EcuModel::suLetturaPersonale},
    {"MUA", false, true, &EcuModel::suPaginaSuccessiva},
    {"MU3", false, false, &EcuModel::suFineScambio},
    {"MUC", true, true, &EcuModel::suData},
    {"MUD", false, true, &EcuModel::suLetturaPressione},
    {"MUE", true, true, &EcuModel::suScritturaPressione},
    {"MUFR", false, true, &EcuModel::suLetturaParametriR},
    {"MUFN", false, true, &EcuModel::suLetturaParametriN},
    {"MUFS", true, true, &EcuModel::suScritturaParametri},
    {"MWin", false, true, &EcuModel::suProgrammaSw},
    {"MWca", false, true, &EcuModel::suProgrammaCaricatore},
};

EcuModel::EcuModel()
{
    // A personalised map of 2,850 values (95 pages), a recognisable pattern.
    for (int i = 0; i < 2850; ++i)
        mappaPersonale += Campo6((i * 37) % 4000);
}

void EcuModel::ricevi(const QByteArray& dati)
{
    if (!m_acceso)
        return;
    m_ingresso += dati;
    for (;;) {
        const qsizetype lf = m_ingresso.indexOf('\n');
        if (lf < 0)
            break;
        const QByteArray riga = m_ingresso.left(lf + 1);
        m_ingresso.remove(0, lf + 1);
        m_registro.append({m_ora, riga});
        elaboroRiga(riga);
        if (!m_acceso)
            return;
    }
    if (m_ingresso.size() > MaxIngresso)
        m_ingresso.remove(0, m_ingresso.size() - MaxIngresso);
}

void EcuModel::elaboroRiga(const QByteArray& riga)
{
    const QByteArray testo = SenzaFineRiga(riga);
    if (testo.isEmpty())
        return;
    m_rigaCorrente = riga;
    if (m_flash) {
        // The loader takes program lines (left-padded with "0" by some senders) until the
        // last record; a command line ends the programming mode.
        qsizetype i = 0;
        while (i < testo.size() && testo[i] == '0')
            ++i;
        if (i < testo.size() && testo[i] == 'S') {
            m_lineaRiempita = i > 0;
            esegui("S", true, &EcuModel::suLineaProgramma, testo.mid(i));
            return;
        }
        fineProgrammazione();
        if (!testo.startsWith('M')) {
            rispondi("S", RigaRisposta("Fes"));
            return;
        }
    }
    for (const Comando& c : s_comandi) {
        const bool uguale = c.conArgomenti ? testo.startsWith(c.chiave) : testo == c.chiave;
        if (uguale) {
            esegui(c.chiave, c.risponde, c.gestore, testo);
            return;
        }
    }
    // Anything else is not a command of this ECU: no answer.
}

bool EcuModel::colpita(const QByteArray& chiave)
{
    Guasti& g = guasti;
    if (!g.attivi() || (!g.soloPer.isEmpty() && g.soloPer != chiave))
        return false;
    ++g.contate;
    if (g.contate < g.daRisposta || g.volte == 0)
        return false;
    if (g.volte > 0)
        --g.volte;
    return true;
}

void EcuModel::esegui(const QByteArray& chiave, bool risponde, void (EcuModel::*gestore)(const QByteArray&),
                      const QByteArray& testo)
{
    m_guastoCorrente = risponde && colpita(chiave);
    const QByteArray& s = guasti.sostituto;
    const bool rifiuto = s.startsWith("R0") || s.startsWith("R2") || s.startsWith("R7") || s.startsWith("Rfsko")
        || (s.startsWith('F') && !s.startsWith("Fl0") && !s.startsWith("Fok"));
    if (m_guastoCorrente && (guasti.silenzio || rifiuto)) {
        // The ECU refuses or ignores the command: nothing of it is carried out. An error code
        // in place of a programming reply ends the programming, as a real error does.
        if (!guasti.silenzio) {
            if (chiave == "S" && !s.startsWith("FW0"))
                fineProgrammazione();
            rispondi(chiave, s);
        }
    } else {
        // Any other replacement (a page, a value, R1, R5 ...): the ECU does the command and
        // only the reply on the wire differs.
        (this->*gestore)(testo);
    }
    m_guastoCorrente = false;
}

void EcuModel::accoda(const QByteArray& dati, qint64 quando)
{
    if (!m_uscita.isEmpty())
        quando = std::max(quando, m_uscita.last().quando);
    m_uscita.append({quando, dati});
}

void EcuModel::rispondi(const QByteArray& chiave, const QByteArray& rigaCompleta)
{
    QByteArray riga = rigaCompleta;
    const qint64 quando = m_ora + std::max(0, opzioni.ritardoRispostaMs);
    QList<Pezzo> pezzi;
    if (m_guastoCorrente && !guasti.sostituto.isEmpty())
        riga = guasti.sostituto.endsWith("\r\n") ? guasti.sostituto : RigaRisposta(guasti.sostituto);
    if (m_guastoCorrente) {
        if (guasti.checksumErrato && RichiedeChecksum(riga) && riga.size() >= 4) {
            char& basso = riga[riga.size() - 3];
            basso = char(0x30 + ((basso - 0x30) ^ 1));
        }
        riga.prepend(guasti.rumore);
    }
    if (!m_guastoCorrente || !guasti.aPezzi || riga.size() < 2) {
        pezzi.append({quando, riga});
    } else {
        // Two to six chunks, cut at distinct random points.
        const int tagli = std::min<int>(1 + int(m_caso.bounded(5)), int(riga.size() - 1));
        QList<qsizetype> punti;
        while (punti.size() < tagli) {
            const qsizetype p = 1 + qsizetype(m_caso.bounded(int(riga.size() - 1)));
            if (!punti.contains(p))
                punti.append(p);
        }
        std::sort(punti.begin(), punti.end());
        punti.append(riga.size());
        qsizetype da = 0;
        qint64 t = quando;
        for (qsizetype p : punti) {
            pezzi.append({t, riga.mid(da, p - da)});
            da = p;
            t += std::max(1, guasti.msTraPezzi);
        }
    }
    const int ritardo = std::max(0, opzioni.ritardoPer.value(chiave, 0));
    if (ritardo > 0) {
        // Held back: live frames due meanwhile go out before it.
        for (Pezzo& p : pezzi)
            p.quando += ritardo;
        auto dopo = std::upper_bound(m_differite.begin(), m_differite.end(), pezzi.first().quando,
                                     [](qint64 q, const QList<Pezzo>& d) { return q < d.first().quando; });
        m_differite.insert(dopo, pezzi);
        return;
    }
    for (const Pezzo& p : pezzi)
        accoda(p.dati, p.quando);
}

QByteArray EcuModel::trama(qint64 quando)
{
    // Between "MT" and "MF" the MAP/TPS frame takes the place of the live frame.
    valori.aggiorna(quando);
    if (m_dt)
        return TramaDT(valori);
    return opzioni.trameBinarie ? TramaDB(valori) : TramaDC(valori);
}

void EcuModel::inviaTrama(qint64 quando)
{
    accoda(trama(quando), quando);
    ++m_trameInviate;
}

void EcuModel::fineProgrammazione()
{
    // Frames resume from now; the ones not sent meanwhile are not made up.
    m_flash = false;
    m_prossimaTrama = std::max(m_prossimaTrama, m_ora);
}

QByteArray EcuModel::estraiRaffica(int massimo)
{
    QByteArray r;
    if (!m_acceso || !m_uscita.isEmpty())
        return r;
    const int n = std::min(m_raffica, std::max(0, massimo));
    for (int i = 0; i < n; ++i)
        r += trama(m_ora);
    m_raffica -= n;
    m_trameInviate += n;
    return r;
}

void EcuModel::avviaTrasmissione(qint64 primaTrama)
{
    m_trasmette = true;
    m_prossimaTrama = primaTrama;
}

QByteArray EcuModel::avanza(int ms)
{
    const qint64 fine = m_ora + std::max(0, ms);
    for (;;) {
        enum { Niente, Riaccendi, Differita, Trama } evento = Niente;
        qint64 t = -1;
        if (!m_acceso && m_riaccensione >= 0 && m_riaccensione <= fine) {
            t = m_riaccensione;
            evento = Riaccendi;
        } else {
            if (!m_differite.isEmpty() && m_differite.first().first().quando <= fine) {
                t = m_differite.first().first().quando;
                evento = Differita;
            }
            if (streaming() && m_prossimaTrama <= fine && (t < 0 || m_prossimaTrama < t)) {
                t = m_prossimaTrama;
                evento = Trama;
            }
        }
        if (evento == Niente)
            break;
        m_ora = std::max(m_ora, t);
        if (evento == Riaccendi) {
            accendi();
        } else if (evento == Differita) {
            const bool erano = streaming();
            for (const Pezzo& p : m_differite.takeFirst())
                accoda(p.dati, p.quando);
            if (!erano && streaming() && m_prossimaTrama <= t)
                m_prossimaTrama = t + std::max(1, opzioni.periodoMs); // missed frames are not made up
        } else {
            inviaTrama(t);
            m_prossimaTrama = t + std::max(1, opzioni.periodoMs);
        }
    }
    m_ora = fine;
    QByteArray r;
    while (!m_uscita.isEmpty() && m_uscita.first().quando <= m_ora)
        r += m_uscita.takeFirst().dati;
    return r;
}

qint64 EcuModel::prossimoInvio() const
{
    qint64 t = -1;
    auto candidato = [&](qint64 q) {
        q = std::max(q, m_ora);
        if (t < 0 || q < t)
            t = q;
    };
    if (!m_uscita.isEmpty())
        candidato(m_uscita.first().quando);
    if (!m_differite.isEmpty())
        candidato(m_differite.first().first().quando);
    if (streaming())
        candidato(m_prossimaTrama);
    if (!m_acceso && m_riaccensione >= 0)
        candidato(m_riaccensione);
    return t < 0 ? -1 : t - m_ora;
}

bool EcuModel::streaming() const
{
    const bool inAttesa = opzioni.trameFermeInRitardo && !m_differite.isEmpty();
    return m_acceso && m_trasmette && (!m_flash || flash.trameDurante) && !m_trameSospese && !inAttesa;
}

void EcuModel::sospendiTrame(bool sospese)
{
    // The missed frames are not made up: the stream goes on one period after the resume.
    if (m_trameSospese && !sospese && m_prossimaTrama <= m_ora)
        m_prossimaTrama = m_ora + std::max(1, opzioni.periodoMs);
    m_trameSospese = sospese;
}

void EcuModel::spegni()
{
    m_acceso = false;
    m_riaccensione = -1;
    m_trasmette = false;
    m_dt = false;
    m_flash = false;
    m_tabella = false;
    m_paginaPersonale = -1;
    m_raffica = 0;
    m_ingresso.clear();
    m_uscita.clear();
    m_differite.clear();
}

void EcuModel::accendi()
{
    if (m_acceso)
        return;
    m_acceso = true;
    m_riaccensione = -1;
    if (opzioni.datiPersi) {
        identita.tipoCentralina = "??";
        opzioni.datiPersi = false;
    }
    avviaTrasmissione(m_ora + std::max(1, opzioni.periodoMs));
}

void EcuModel::cicloAccensione(int msSpento)
{
    spegni();
    m_riaccensione = m_ora + std::max(0, msSpento);
}

QList<QByteArray> EcuModel::comandiRicevuti() const
{
    QList<QByteArray> r;
    for (const RigaRicevuta& l : m_registro)
        r.append(l.testo());
    return r;
}

// ---- command handlers ----

void EcuModel::suAvvio(const QByteArray&)
{
    if (!m_trasmette)
        avviaTrasmissione(m_ora + std::max(0, opzioni.ritardoRispostaMs));
}

void EcuModel::suDtOff(const QByteArray&)
{
    m_dt = false;
}

void EcuModel::suDtOn(const QByteArray&)
{
    m_dt = true;
}

void EcuModel::suIdentita(const QByteArray&)
{
    rispondi("MUB", opzioni.rispostaBreve ? RispostaR4(identita, opzioni.formaLunga)
                                         : RispostaR8(identita, opzioni.formaLunga));
}

void EcuModel::suInizioTabella(const QByteArray&)
{
    m_tabella = true;
    m_bloccoAtteso = 0;
    m_immagine.clear();
    m_immagineCompleta = false;
    rispondi("MU0", RigaRisposta("R6"));
}

void EcuModel::suBlocco(const QByteArray& testo)
{
    // "MZ", block number (3 digits), "0" more / "$" last, 180 characters of data, checksum of
    // all before it: 190 characters with CR LF, nothing else counts.
    if (!m_tabella)
        return;
    bool buono = m_rigaCorrente.size() == 190 && m_rigaCorrente.endsWith("\r\n") && testo.size() == 188;
    int numero = -1;
    char segno = 0;
    if (buono) {
        const QByteArray corpo = testo.left(testo.size() - 2);
        buono = testo.right(2) == CalcoloCS(corpo) && TuttoCifre(testo.mid(2, 3));
        numero = testo.mid(2, 3).toInt();
        segno = testo[5];
        buono = buono && (segno == '0' || segno == '$') && numero == m_bloccoAtteso;
    }
    if (!buono) {
        rispondi("MZ", RigaRisposta("R7"));
        return;
    }
    m_immagine += testo.mid(6, 180);
    ++m_bloccoAtteso;
    if (segno == '$') {
        m_tabella = false;
        m_immagineCompleta = true;
        adottoRevisione();
        rispondi("MZ", RigaRisposta("R1"));
    } else {
        rispondi("MZ", RigaRisposta("R5"));
    }
}

void EcuModel::adottoRevisione()
{
    // Records 2823 to 2826 of the image (6 characters each): overhaul day, month, year and
    // installation type, which the ECU reports from now on.
    constexpr int Primo = 2823;
    if (m_immagine.size() < (Primo + 3) * 6)
        return;
    auto record = [&](int n, int larghezza) {
        const QByteArray v = m_immagine.mid((n - 1) * 6, 6);
        const qsizetype meno = v.indexOf('-');
        const QByteArray cifre = meno >= 0 ? v.mid(meno + 1) : v;
        if (!TuttoCifre(cifre.trimmed()))
            return v.right(larghezza); // not a number: kept as it stands
        const qint64 n6 = cifre.trimmed().toLongLong();
        return QByteArray::number(meno >= 0 ? -n6 : n6).rightJustified(larghezza, '0').right(larghezza);
    };
    identita.dataRevisione = record(Primo, 2) + record(Primo + 1, 2) + record(Primo + 2, 4);
    identita.tipoInstallazione = record(Primo + 3, 2);
}

void EcuModel::suFineTabella(const QByteArray&)
{
    m_tabella = false;
}

int EcuModel::numeroPagine() const
{
    return std::max<int>(1, int((mappaPersonale.size() + 179) / 180));
}

void EcuModel::suLetturaPersonale(const QByteArray&)
{
    m_paginaPersonale = 0;
    const bool ultima = numeroPagine() == 1;
    rispondi("MU2", PaginaRZ(identita, 0, ultima, mappaPersonale.left(180)));
}

void EcuModel::suPaginaSuccessiva(const QByteArray&)
{
    if (m_paginaPersonale < 0 || m_paginaPersonale + 1 >= numeroPagine())
        return;
    const int n = ++m_paginaPersonale;
    const bool ultima = n == numeroPagine() - 1;
    rispondi("MUA", PaginaRZ(identita, n, ultima, mappaPersonale.mid(n * 180, 180)));
}

void EcuModel::suFineScambio(const QByteArray&)
{
    m_paginaPersonale = -1;
}

void EcuModel::suData(const QByteArray& testo)
{
    const QByteArray d = testo.mid(3);
    const bool buona = d.size() == 8 && TuttoCifre(d)
        && QDate(d.mid(4, 4).toInt(), d.mid(2, 2).toInt(), d.left(2).toInt()).isValid();
    if (buona)
        identita.dataInstallazione = d;
    rispondi("MUC", RigaRisposta(buona ? "R9" : "R0"));
}

void EcuModel::suLetturaPressione(const QByteArray&)
{
    rispondi("MUD", RigaRisposta("Rd" + pressione.rightJustified(8, ' ', true)));
}

void EcuModel::suScritturaPressione(const QByteArray& testo)
{
    const QByteArray v = testo.mid(3);
    const bool buono = CampoValore(v);
    if (buono)
        m_pressioneMemorizzata = v;
    rispondi("MUE", RigaRisposta(buono ? "Re" : "R0"));
}

void EcuModel::suLetturaParametriR(const QByteArray&)
{
    QByteArray t = "Rfr";
    for (int i = 0; i < 3; ++i)
        t += Campo6(parametri[size_t(i)]);
    rispondi("MUFR", RigaRisposta(t));
}

void EcuModel::suLetturaParametriN(const QByteArray&)
{
    QByteArray t = "Rfn";
    for (int p : parametri)
        t += Campo6(p);
    t += Fisso(tipoParametri, 6);
    rispondi("MUFN", RigaRisposta(t));
}

void EcuModel::suScritturaParametri(const QByteArray& testo)
{
    // Three fields (tank screen of the older software) or eight fields and the type field,
    // which is kept as text. Nothing is stored while the engine runs.
    const QByteArray campi = testo.mid(4);
    bool buono = !opzioni.motoreAcceso && (campi.size() == 18 || campi.size() == 54);
    QList<int> valori;
    for (qsizetype i = 0; buono && i < campi.size(); i += 6) {
        int v = 0;
        buono = CampoValore(campi.mid(i, 6), &v);
        valori.append(v);
    }
    if (buono) {
        for (int i = 0; i < std::min<int>(8, int(valori.size())); ++i)
            parametri[size_t(i)] = valori[i];
        if (valori.size() == 9)
            tipoParametri = campi.right(6);
    }
    rispondi("MUFS", RigaRisposta(buono ? "Rfsok" : "Rfsko"));
}

void EcuModel::inizioProgrammazione(const QByteArray& chiave, bool caricatore)
{
    if (flash.mutoAllAvvio)
        return; // ignored: no programming mode, no answer
    if (flash.fedSubito) {
        // The erase fails: answered at once, whatever delay the command has.
        accoda(RigaRisposta("Fed"), m_ora + std::max(0, opzioni.ritardoRispostaMs));
        return;
    }
    m_flash = true;
    m_flashCaricatore = caricatore;
    m_lineeFlash.clear();
    m_lineeRiempite.clear();
    m_sommaA = m_sommaB = 0;
    m_sommaBAttiva = false;
    rispondi(chiave, RigaRisposta("Fl0"));
}

void EcuModel::suProgrammaSw(const QByteArray&)
{
    inizioProgrammazione("MWin", false);
}

void EcuModel::suProgrammaCaricatore(const QByteArray&)
{
    inizioProgrammazione("MWca", true);
}

void EcuModel::erroreProgrammazione(const char* codice)
{
    fineProgrammazione();
    rispondi("S", RigaRisposta(codice));
}

void EcuModel::suLineaProgramma(const QByteArray& testo)
{
    // Checked in this order: the format ("S", a type digit, hex digits in pairs, the count
    // equal to the bytes that follow), then the record's checksum.
    QList<int> byte;
    bool formato = testo.size() >= 4 && testo[0] == 'S' && testo[1] >= '0' && testo[1] <= '9'
        && (testo.size() % 2) == 0;
    for (qsizetype i = 2; formato && i < testo.size(); i += 2) {
        const int h = CifraEsadecimale(testo[i]);
        const int l = CifraEsadecimale(testo[i + 1]);
        formato = h >= 0 && l >= 0;
        byte.append(h * 16 + l);
    }
    if (!formato || byte.size() != byte[0] + 1) {
        erroreProgrammazione("Fee");
        return;
    }
    int somma = 0;
    for (int b : byte)
        somma += b;
    if ((somma & 0xFF) != 0xFF) {
        erroreProgrammazione("Fce");
        return;
    }
    const char tipo = testo[1];
    const bool fine = tipo == '7' || tipo == '8' || tipo == '9';
    if (fine && controlloSommeDovuto()) {
        // The end record of a programming image carries sum A and sum B in place of its
        // address and first data word.
        const bool uguali = byte.size() >= 5 && ((byte[1] << 8) | byte[2]) == m_sommaA
            && ((byte[3] << 8) | byte[4]) == m_sommaB;
        if (!uguali) {
            erroreProgrammazione("Fer");
            return;
        }
    }
    m_lineeFlash.append(testo);
    m_lineeRiempite.append(m_lineaRiempita);
    if (!fine)
        sommoRecord(tipo, byte);
    if (flash.fl0DiNuovoAllaRiga > 0 && m_lineeFlash.size() == flash.fl0DiNuovoAllaRiga) {
        // The ECU asks for the image again from its first line.
        flash.fl0DiNuovoAllaRiga = -1;
        m_lineeFlash.clear();
        m_lineeRiempite.clear();
        m_sommaA = m_sommaB = 0;
        m_sommaBAttiva = false;
        rispondi("S", RigaRisposta("Fl0"));
        return;
    }
    if (fine) {
        // Last record: the ECU takes the new program and restarts with it.
        m_flash = false;
        if (!flash.nonConserva)
            adottoProgramma();
        if (flash.trameSoloDopoCiclo) {
            m_trasmette = false;
        } else {
            m_trasmette = true;
            m_prossimaTrama = m_ora + std::max(1, opzioni.msRiavvio);
        }
        rispondi("S", RigaRisposta("Fok"));
        return;
    }
    rispondi("S", RigaRisposta("FW0"));
}

bool EcuModel::controlloSommeDovuto() const
{
    // Only a programming image carries the sums; it comes with every line padded.
    return flash.controlloSomme && !m_flashCaricatore && m_lineaRiempita && !m_lineeRiempite.contains(false);
}

void EcuModel::sommoRecord(char tipo, const QList<int>& byte)
{
    // Counted: S1 records from 0x4000 on and S2 records from 0x10000 to 0x3FFF7. Their data
    // bytes in pairs, high byte first; an odd last byte pairs with the record's checksum.
    const int larghezza = tipo == '1' ? 2 : tipo == '2' ? 3 : 0;
    if (larghezza == 0 || byte.size() < 2 + larghezza)
        return;
    qint64 indirizzo = 0;
    for (int i = 1; i <= larghezza; ++i)
        indirizzo = indirizzo * 256 + byte[i];
    const bool contato = tipo == '1' ? indirizzo >= 0x4000 : indirizzo >= 0x10000 && indirizzo <= 0x3FFF7;
    if (!contato)
        return;
    if (tipo == '1' && indirizzo == 0x4FA6) {
        m_sommaB = 0; // the tables begin: sum B runs from here
        m_sommaBAttiva = true;
    }
    if (tipo == '1' && indirizzo == 0x800E)
        m_sommaBAttiva = false; // the installation date counts in sum A only
    const qsizetype primo = 1 + larghezza;
    const qsizetype dati = byte.size() - 1 - primo; // without the checksum
    for (qsizetype i = 0; i < dati; i += 2) {
        const int alto = byte[primo + i];
        const int basso = byte[primo + i + 1]; // the checksum when the data count is odd
        const int parola = (alto << 8) | basso;
        m_sommaA ^= parola;
        if (m_sommaBAttiva)
            m_sommaB ^= parola;
    }
}

void EcuModel::adottoProgramma()
{
    // Version: 9 data bytes of the S2 record at 03FFEC (software) or of the S1 record at 3FF0
    // (loader), reported in the order they are stored. A programming image also brings the
    // installation date (S1 at 800E, 8 characters) and, in the map record at 5606, the
    // overhaul day, month, year and installation type (words at characters 25-40).
    auto testoDa = [](const QByteArray& riga, qsizetype da, int n) { return QByteArray::fromHex(riga.mid(da, 2 * n)); };
    for (const QByteArray& r : std::as_const(m_lineeFlash)) {
        if (!m_flashCaricatore && r.startsWith("S2") && r.mid(4, 6) == "03FFEC" && r.size() >= 10 + 18 + 2)
            identita.versioneSw = testoDa(r, 10, 9);
        else if (m_flashCaricatore && r.startsWith("S1") && r.mid(4, 4) == "3FF0" && r.size() >= 8 + 18 + 2)
            identita.versioneCaric = testoDa(r, 8, 9);
        else if (!m_flashCaricatore && r.startsWith("S1") && r.mid(4, 4) == "800E" && r.size() >= 8 + 16 + 2)
            identita.dataInstallazione = testoDa(r, 8, 8);
        else if (!m_flashCaricatore && r.startsWith("S1") && r.mid(4, 4) == "5606" && r.size() >= 40 + 2) {
            auto parola = [&](int carattere, int larghezza) {
                bool ok = false;
                const int v = r.mid(carattere - 1, 4).toInt(&ok, 16);
                return QByteArray::number(ok ? v : 0).rightJustified(larghezza, '0').right(larghezza);
            };
            identita.dataRevisione = parola(25, 2) + parola(29, 2) + parola(33, 4);
            identita.tipoInstallazione = parola(37, 2);
        }
    }
}

} // namespace ecusim
