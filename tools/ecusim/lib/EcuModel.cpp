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

int Esadecimale(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A Motorola S-record: "S", type digit, count byte, address + data bytes, and a checksum
// byte that makes the low byte of the sum of count, address, data and checksum 0xFF.
bool SRecordValido(const QByteArray& s)
{
    if (s.size() < 4 || s[0] != 'S' || s[1] < '0' || s[1] > '9' || (s.size() % 2) != 0)
        return false;
    QList<int> byte;
    for (qsizetype i = 2; i < s.size(); i += 2) {
        const int h = Esadecimale(s[i]);
        const int l = Esadecimale(s[i + 1]);
        if (h < 0 || l < 0)
            return false;
        byte.append(h * 16 + l);
    }
    if (byte.size() != byte[0] + 1)
        return false;
    int somma = 0;
    for (int b : byte)
        somma += b;
    return (somma & 0xFF) == 0xFF;
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
    if (m_guastoCorrente && (guasti.silenzio || !guasti.sostituto.isEmpty())) {
        // The ECU refuses or ignores the command: nothing of it is carried out.
        if (!guasti.silenzio) {
            const QByteArray& s = guasti.sostituto;
            rispondi(chiave, s.endsWith("\r\n") ? s : RigaRisposta(s));
        }
    } else {
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

void EcuModel::rispondi(const QByteArray&, const QByteArray& rigaCompleta)
{
    QByteArray riga = rigaCompleta;
    const qint64 quando = m_ora + std::max(0, opzioni.ritardoRispostaMs);
    if (!m_guastoCorrente) {
        accoda(riga, quando);
        return;
    }
    if (guasti.checksumErrato && RichiedeChecksum(riga) && riga.size() >= 4) {
        char& basso = riga[riga.size() - 3];
        basso = char(0x30 + ((basso - 0x30) ^ 1));
    }
    riga.prepend(guasti.rumore);
    if (!guasti.aPezzi || riga.size() < 2) {
        accoda(riga, quando);
        return;
    }
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
        accoda(riga.mid(da, p - da), t);
        da = p;
        t += std::max(1, guasti.msTraPezzi);
    }
}

void EcuModel::inviaTrama(qint64 quando)
{
    accoda(opzioni.trameBinarie ? TramaDB(valori) : TramaDC(valori), quando);
    if (m_dt)
        accoda(TramaDT(valori), quando);
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
    for (int i = 0; i < n; ++i) {
        r += opzioni.trameBinarie ? TramaDB(valori) : TramaDC(valori);
        if (m_dt)
            r += TramaDT(valori);
    }
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
        qint64 t = -1;
        bool riaccendi = false;
        if (!m_acceso && m_riaccensione >= 0 && m_riaccensione <= fine) {
            t = m_riaccensione;
            riaccendi = true;
        } else if (streaming() && m_prossimaTrama <= fine) {
            t = m_prossimaTrama;
        }
        if (t < 0)
            break;
        m_ora = std::max(m_ora, t);
        if (riaccendi) {
            accendi();
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
    if (streaming())
        candidato(m_prossimaTrama);
    if (!m_acceso && m_riaccensione >= 0)
        candidato(m_riaccensione);
    return t < 0 ? -1 : t - m_ora;
}

bool EcuModel::streaming() const
{
    return m_acceso && m_trasmette && !m_flash && !m_trameSospese;
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
}

void EcuModel::accendi()
{
    if (m_acceso)
        return;
    m_acceso = true;
    m_riaccensione = -1;
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
    const bool buono = v.size() == 6 && TuttoCifre(v);
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
    // Three fields (tank screen of the older software) or eight fields and the type field.
    const QByteArray campi = testo.mid(4);
    bool buono = campi.size() == 18 || campi.size() == 54;
    QList<int> valori;
    for (qsizetype i = 0; buono && i < campi.size(); i += 6) {
        bool ok = false;
        valori.append(campi.mid(i, 6).toInt(&ok));
        buono = ok;
    }
    if (buono) {
        for (int i = 0; i < std::min<int>(8, int(valori.size())); ++i)
            parametri[size_t(i)] = valori[i];
        if (valori.size() == 9)
            tipoParametri = campi.right(6);
    }
    rispondi("MUFS", RigaRisposta(buono ? "Rfsok" : "Rfsko"));
}

void EcuModel::suProgrammaSw(const QByteArray&)
{
    m_flash = true;
    m_flashCaricatore = false;
    m_lineeFlash.clear();
    rispondi("MWin", RigaRisposta("Fl0"));
}

void EcuModel::suProgrammaCaricatore(const QByteArray&)
{
    m_flash = true;
    m_flashCaricatore = true;
    m_lineeFlash.clear();
    rispondi("MWca", RigaRisposta("Fl0"));
}

void EcuModel::suLineaProgramma(const QByteArray& testo)
{
    if (!SRecordValido(testo)) {
        fineProgrammazione();
        rispondi("S", RigaRisposta("Fce"));
        return;
    }
    m_lineeFlash.append(testo);
    const char tipo = testo[1];
    if (tipo == '7' || tipo == '8' || tipo == '9') {
        // Last record: the ECU restarts with the new program and streams again.
        m_flash = false;
        m_trasmette = true;
        m_prossimaTrama = m_ora + std::max(1, opzioni.msRiavvio);
        rispondi("S", RigaRisposta("Fok"));
        return;
    }
    rispondi("S", RigaRisposta("FW0"));
}

} // namespace ecusim
