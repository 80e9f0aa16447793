#include "gsmsim/lib/Cornice.h"

namespace gsmsim {

namespace {
constexpr unsigned char Inizio = 0x02, Fine = 0x03, Fuga = 0x1B, Spostamento = 0x20;

bool Riservato(unsigned char b) { return b == Inizio || b == Fine || b == Fuga; }
} // namespace

QByteArray Cornice(const QByteArray& testo)
{
    unsigned char somma = 0;
    QByteArray corpo = testo;
    for (qsizetype i = 0; i < testo.size(); ++i)
        somma = static_cast<unsigned char>(somma ^ static_cast<unsigned char>(testo.at(i)));
    corpo.append(char(somma));
    QByteArray out(1, char(Inizio));
    for (qsizetype i = 0; i < corpo.size(); ++i) {
        const auto b = static_cast<unsigned char>(corpo.at(i));
        if (Riservato(b)) {
            out.append(char(Fuga));
            out.append(char(b + Spostamento));
        } else {
            out.append(char(b));
        }
    }
    out.append(char(Fine));
    return out;
}

void Lettore::aggiungi(const QByteArray& dati)
{
    for (qsizetype i = 0; i < dati.size(); ++i) {
        const auto b = static_cast<unsigned char>(dati.at(i));
        if (b == Inizio) {
            if (m_inTrama)
                fuori.append(m_grezzo); // no ETX before the next STX
            m_inTrama = true;
            m_esc = false;
            m_corpo.clear();
            m_grezzo = QByteArray(1, char(b));
            continue;
        }
        if (!m_inTrama) {
            fuori.append(char(b));
            continue;
        }
        m_grezzo.append(char(b));
        if (b == Fine) {
            m_inTrama = false;
            TramaLetta t;
            if (!m_corpo.isEmpty()) {
                const auto atteso = static_cast<unsigned char>(m_corpo.back());
                t.testo = m_corpo.left(m_corpo.size() - 1);
                unsigned char somma = 0;
                for (char c : t.testo)
                    somma ^= static_cast<unsigned char>(c);
                t.controlloOk = somma == atteso;
            } else {
                t.controlloOk = false;
            }
            trame.append(t);
            continue;
        }
        if (m_esc) {
            m_corpo.append(char(b - Spostamento));
            m_esc = false;
        } else if (b == Fuga) {
            m_esc = true;
        } else {
            m_corpo.append(char(b));
        }
    }
}

bool ERisposta(const QByteArray& testo)
{
    const auto minuscola = [](char c) { return c >= 'a' && c <= 'z'; };
    const auto cifra = [](char c) { return c >= '0' && c <= '9'; };
    if (testo.size() < 5 || !minuscola(testo[0]))
        return false;
    for (int i : {1, 2})
        if (!minuscola(testo[i]) && !cifra(testo[i]))
            return false;
    const QByteArray esito = testo.mid(3);
    return esito == "ok" || esito == "ko01";
}

} // namespace gsmsim
