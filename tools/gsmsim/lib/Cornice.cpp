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
            m_inTrama = true;
            m_esc = false;
            m_corpo.clear();
            continue;
        }
        if (!m_inTrama) {
            fuori.append(char(b));
            continue;
        }
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

QByteArray EstraiRisposta(QByteArray& fuori)
{
    qsizetype i = 0;
    while (i < fuori.size() && !(fuori[i] >= 'a' && fuori[i] <= 'z'))
        ++i;
    fuori.remove(0, i);
    if (fuori.size() < 5)
        return {};
    const QByteArray esito = fuori.mid(3, 2);
    qsizetype lunghezza = 0;
    if (esito == "ok")
        lunghezza = 5;
    else if (esito == "ko")
        lunghezza = fuori.size() >= 7 ? 7 : 0;
    else
        lunghezza = -1;
    if (lunghezza < 0) {
        fuori.remove(0, 1); // not a reply: resynchronise
        return EstraiRisposta(fuori);
    }
    if (lunghezza == 0)
        return {};
    const QByteArray r = fuori.left(lunghezza);
    fuori.remove(0, lunghezza);
    return r;
}

} // namespace gsmsim
