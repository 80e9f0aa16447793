#include "gsmsim/lib/GsmModel.h"

#include <algorithm>

namespace gsmsim {

void GsmModel::log(char verso, const QByteArray& testo) { m_registro.append({m_ms, verso, testo}); }

void GsmModel::programma(qint64 dopoMs, const QByteArray& dati)
{
    m_coda.append({m_ms + dopoMs, dati});
    std::stable_sort(m_coda.begin(), m_coda.end(), [](const Invio& a, const Invio& b) { return a.alle < b.alle; });
}

void GsmModel::ricevi(const QByteArray& dati)
{
    if (m_dati) {
        log('<', dati);
        m_lettore.aggiungi(dati);
        if (!m_lettore.fuori.isEmpty()) {
            ++erroriProtocollo;
            log('!', "protocol error, bytes outside a frame not answered: " + std::exchange(m_lettore.fuori, {}));
        }
        for (const TramaLetta& t : std::exchange(m_lettore.trame, {}))
            if (!trama(t))
                return;
        return;
    }
    for (char c : dati) {
        if (m_eco)
            m_linea += c;
        if (c == '\r') {
            comando(m_riga.trimmed());
            m_riga.clear();
        } else if (c != '\n') {
            m_riga += c;
        }
    }
}

void GsmModel::comando(const QByteArray& riga)
{
    if (riga.isEmpty())
        return;
    comandi.append(riga);
    log('<', riga);
    if (modem.silenzio)
        return;
    if (modem.errore) {
        programma(20, "\r\nERROR\r\n");
        return;
    }
    const QByteArray r = riga.toUpper();
    if (r.startsWith("ATD")) {
        m_esitoAlle = m_ms + modem.ritardoMs;
        return;
    }
    if (r == "ATZ")
        m_eco = true;
    else if (r == "ATE0")
        m_eco = false;
    programma(20, "\r\nOK\r\n");
}

bool GsmModel::trama(const TramaLetta& t)
{
    const bool eRisposta = ERisposta(t.testo);
    if (!t.controlloOk) {
        ++controlliErrati;
        log('!', (eRisposta ? "bad check byte, reply not taken: " : "bad check byte: ") + t.testo);
    }
    if (eRisposta)
        return t.controlloOk ? risposta(t.testo) : true;
    if (t.testo.startsWith("I00")) {
        identita.append(t.testo);
        if (rispostaIdentita && !rispostaIdentita->isEmpty())
            programma(ritardoRispostaMs, guasti.rumore + Cornice("i00" + *rispostaIdentita));
    } else {
        relay.append(t.testo);
    }
    return true;
}

bool GsmModel::risposta(const QByteArray& testo)
{
    risposte.append(testo);
    const int numero = ++m_rispostaNumero;
    if (m_attese > 0)
        --m_attese;
    if (numero == guasti.cadutaDopo) {
        cadutaPortante();
        return false;
    }
    if (numero == guasti.silenzioDopo) {
        log('!', "station silent");
        m_scambio.clear();
        m_indice = 0;
        m_attese = 0;
        return true;
    }
    if (m_attese == 0)
        inviaProssimo();
    return true;
}

bool GsmModel::avviaScambio(const QList<QByteArray>& testi)
{
    if (!m_dati)
        return false;
    m_scambio = testi;
    m_indice = 0;
    m_attese = 0;
    m_rispostaNumero = -1;
    risposte.clear();
    inviaProssimo();
    return true;
}

void GsmModel::inviaProssimo()
{
    if (m_indice >= m_scambio.size())
        return;
    const int quante = guasti.dueTrame && m_indice + 1 < m_scambio.size() ? 2 : 1;
    QByteArray uscita;
    qint64 ritardo = ritardoRispostaMs;
    for (int k = 0; k < quante; ++k) {
        if (m_indice == guasti.pausaPrima)
            ritardo += guasti.pausaMs;
        uscita += guasti.rumore + Cornice(m_scambio[m_indice++]);
        ++m_attese;
    }
    programma(ritardo, uscita);
}

void GsmModel::cadutaPortante()
{
    if (!m_dati)
        return;
    log('!', "carrier lost");
    m_dati = false;
    m_scambio.clear();
    m_indice = 0;
    m_attese = 0;
    m_coda.clear();
    programma(10, "\r\nNO CARRIER\r\n");
}

void GsmModel::riaggancio()
{
    if (m_dati || m_esitoAlle >= 0)
        log('!', "hang-up");
    m_dati = false;
    m_eco = true;
    m_esitoAlle = -1;
    m_riga.clear();
    m_coda.clear();
    m_linea.clear();
    m_scambio.clear();
    m_indice = 0;
    m_attese = 0;
    m_lettore = Lettore();
}

QByteArray GsmModel::avanza(int ms)
{
    m_ms += ms;
    if (m_esitoAlle >= 0 && m_ms >= m_esitoAlle) {
        m_esitoAlle = -1;
        switch (modem.esito) {
        case Esito::Connect:
            m_linea += "\r\nCONNECT 9600\r\n";
            m_dati = true;
            m_lettore = Lettore();
            log('!', "connected");
            break;
        case Esito::Busy: m_linea += "\r\nBUSY\r\n"; break;
        case Esito::NoCarrier: m_linea += "\r\nNO CARRIER\r\n"; break;
        case Esito::Nessuno: break;
        }
    }
    while (!m_coda.isEmpty() && m_coda.front().alle <= m_ms) {
        const QByteArray d = m_coda.takeFirst().dati;
        log('>', d);
        m_linea += d;
    }
    if (guasti.unByteAllaVolta && !m_linea.isEmpty()) {
        const QByteArray uno = m_linea.left(1);
        m_linea.remove(0, 1);
        return uno;
    }
    return std::exchange(m_linea, {});
}

// ---- exchanges ----

namespace {
QByteArray Numero3(int n) { return QByteArray::number(n).rightJustified(3, '0'); }

QByteArray Campo(const QByteArray& testo, int lunghezza) { return testo.left(lunghezza).leftJustified(lunghezza, ' '); }

void AggiungoLimiti(QList<QByteArray>& s, const QList<QByteArray>& limiti)
{
    for (qsizetype i = 0; i < limiti.size(); ++i) {
        const char tipo = i + 1 == limiti.size() ? '9' : (i == 0 ? '0' : '1');
        s.append(QByteArray("FL") + tipo + limiti[i] + '#');
    }
    s.append("S01");
}

} // namespace

QByteArray RecordAggMarca(const QByteArray& marca, const QByteArray& record, const QByteArray& mappa)
{
    return Campo(marca, 20) + Campo(record, 180) + Campo(mappa, 8);
}

QList<QByteArray> ScambioCatalogo(const QByteArray& record208, const QList<QByteArray>& valori, int perBlocco,
                                  const QList<QByteArray>& limiti)
{
    QList<QByteArray> s{"S00", "FT0" + record208};
    perBlocco = std::max(1, perBlocco);
    const qsizetype blocchi = std::max<qsizetype>(1, (valori.size() + perBlocco - 1) / perBlocco);
    for (qsizetype b = 0; b < blocchi; ++b) {
        QByteArray t = (b + 1 == blocchi ? "FT9" : "FT1") + Numero3(int(b + 1));
        for (qsizetype i = b * perBlocco; i < std::min<qsizetype>(valori.size(), (b + 1) * perBlocco); ++i)
            t += Campo(valori[i], 6);
        s.append(t);
    }
    AggiungoLimiti(s, limiti);
    return s;
}

QList<QByteArray> ScambioCatalogoS19(const QByteArray& record208, const QList<QByteArray>& righe,
                                     const QList<QByteArray>& limiti)
{
    QList<QByteArray> s{"S00", "FT0" + record208};
    for (qsizetype i = 0; i < righe.size(); ++i)
        s.append((i + 1 == righe.size() ? "FT8" : "FT2") + Numero3(int(i + 1)) + righe[i]);
    AggiungoLimiti(s, limiti);
    return s;
}

QByteArray CodificaS19(const QList<QByteArray>& righe)
{
    QByteArray out;
    for (const QByteArray& r : righe) {
        if (r.size() < 2)
            continue;
        out += r.left(2);
        for (char c : QByteArray::fromHex(r.mid(2))) {
            const auto b = static_cast<unsigned char>(c);
            if (b == 'S' || b == 27) {
                out += char(27);
                out += char(b + 32);
            } else {
                out += char(b);
            }
        }
    }
    return out;
}

QList<QByteArray> ScambioSoftware(const QByteArray& nome, const QList<QByteArray>& righe, int perBlocco,
                                  const QByteArray& descrizione)
{
    QList<QByteArray> s{"S00", "FP0" + nome};
    const QByteArray dati = CodificaS19(righe);
    perBlocco = std::max(1, perBlocco);
    for (qsizetype i = 0; i < dati.size(); i += perBlocco)
        s.append("FP1" + dati.mid(i, perBlocco));
    s.append("FP9" + descrizione);
    s.append("S01");
    return s;
}

QList<QByteArray> Righe(const QByteArray& testo)
{
    QList<QByteArray> r;
    for (QByteArray riga : testo.split('\n')) {
        if (riga.endsWith('\r'))
            riga.chop(1);
        r.append(riga);
    }
    while (!r.isEmpty() && r.back().isEmpty())
        r.removeLast();
    return r;
}

} // namespace gsmsim
