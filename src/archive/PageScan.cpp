#include "archive/PageScan.h"

#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace PageScan {

namespace {

using Byte = unsigned char;

quint32 U16(const Byte* p) { return (quint32(p[0]) << 8) | p[1]; }
quint32 U32(const Byte* p) { return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3]; }

// Variable-length integer of the file format: 1 to 9 bytes, big-endian groups of 7 bits, the
// ninth byte whole. False when it runs past `fine`.
bool Varint(const Byte*& p, const Byte* fine, quint64& v)
{
    v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p >= fine)
            return false;
        const Byte b = *p++;
        if (i == 8) {
            v = (v << 8) | b;
            return true;
        }
        v = (v << 7) | (b & 0x7f);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

class Immagine {
public:
    explicit Immagine(const QByteArray& dati)
        : m_dati(reinterpret_cast<const Byte*>(dati.constData()))
    {
        if (dati.size() < 100 || !dati.startsWith(QByteArray("SQLite format 3\0", 16)))
            return;
        const quint32 dimensione = U16(m_dati + 16) == 1 ? 65536 : U16(m_dati + 16);
        if (dimensione < 512 || dimensione > 65536 || (dimensione & (dimensione - 1)))
            return;
        const quint32 utile = dimensione - m_dati[20];
        if (utile < 480)
            return;
        m_dimensione = dimensione;
        m_utile = utile;
        m_pagine = quint32(dati.size() / dimensione);   // whole pages only
    }

    bool Valida() const { return m_dimensione > 0; }
    quint32 Pagine() const { return m_pagine; }
    quint32 Utile() const { return m_utile; }
    const Byte* Pagina(quint32 n) const { return n >= 1 && n <= m_pagine ? m_dati + qsizetype(n - 1) * m_dimensione : nullptr; }

    // Pages of the free list, as far as its trunk pages can be followed.
    QSet<quint32> Libere() const
    {
        QSet<quint32> libere;
        quint32 tronco = U32(m_dati + 32);
        while (tronco != 0) {
            const Byte* p = Pagina(tronco);
            if (!p || libere.contains(tronco))
                break;
            libere.insert(tronco);
            const quint32 n = U32(p + 4);
            if (n > m_utile / 4 - 2)
                break;
            for (quint32 i = 0; i < n; ++i)
                libere.insert(U32(p + 8 + 4 * i));
            tronco = U32(p);
        }
        return libere;
    }

    // Pages of the table b-trees rooted at `radici`, as far as their interior pages can be
    // followed (a child pointer that leads nowhere, or to a page of another kind, is dropped).
    QSet<quint32> Raggiunte(const QList<quint32>& radici) const
    {
        QSet<quint32> viste;
        QList<quint32> daVedere = radici;
        while (!daVedere.isEmpty()) {
            const quint32 n = daVedere.takeLast();
            const Byte* p = Pagina(n);
            if (!p || viste.contains(n))
                continue;
            const quint32 testa = n == 1 ? 100 : 0;
            if (p[testa] != 0x05 && p[testa] != 0x0D)
                continue;
            viste.insert(n);
            if (p[testa] == 0x0D)
                continue;
            // Interior page: 12-byte header ending with the right-most child, then the cell
            // pointers; each cell begins with its left child.
            const quint32 celle = U16(p + testa + 3);
            const quint32 primaCella = testa + 12 + 2 * celle;
            if (primaCella > m_utile)
                continue;
            daVedere << U32(p + testa + 8);
            for (quint32 i = 0; i < celle; ++i) {
                const quint32 posizione = U16(p + testa + 12 + 2 * i);
                if (posizione >= primaCella && posizione + 4 <= m_utile)
                    daVedere << U32(p + posizione);
            }
        }
        return viste;
    }

    // The payload of a table-leaf cell, its overflow chain followed: false when the cell or
    // the chain is not whole.
    bool Cella(const Byte* pagina, quint32 posizione, qint64& chiave, QByteArray& contenuto) const
    {
        const Byte* p = pagina + posizione;
        const Byte* fine = pagina + m_utile;
        quint64 dimensione = 0, k = 0;
        if (!Varint(p, fine, dimensione) || !Varint(p, fine, k) || dimensione > (1u << 30))
            return false;
        chiave = static_cast<qint64>(k);
        const quint64 x = m_utile - 35;
        quint64 locale = dimensione;
        if (dimensione > x) {
            const quint64 m = ((m_utile - 12) * 32 / 255) - 23;
            const quint64 kk = m + ((dimensione - m) % (m_utile - 4));
            locale = kk <= x ? kk : m;
        }
        const bool trabocca = locale < dimensione;
        if (locale + (trabocca ? 4 : 0) > quint64(fine - p))
            return false;
        contenuto = QByteArray(reinterpret_cast<const char*>(p), qsizetype(locale));
        if (!trabocca)
            return true;
        quint32 seguente = U32(p + locale);
        QSet<quint32> viste;
        while (quint64(contenuto.size()) < dimensione) {
            const Byte* o = Pagina(seguente);
            if (!o || viste.contains(seguente))
                return false;
            viste.insert(seguente);
            const quint64 quanti = std::min<quint64>(m_utile - 4, dimensione - contenuto.size());
            contenuto.append(reinterpret_cast<const char*>(o + 4), qsizetype(quanti));
            seguente = U32(o);
        }
        return true;
    }

private:
    const Byte* m_dati;
    quint32 m_dimensione = 0;
    quint32 m_utile = 0;
    quint32 m_pagine = 0;
};

// The values of a record (header of serial types, then the body): false unless every value
// decodes and the body ends exactly where the payload does.
bool Record(const QByteArray& contenuto, QVariantList& valori)
{
    const Byte* inizio = reinterpret_cast<const Byte*>(contenuto.constData());
    const Byte* fine = inizio + contenuto.size();
    const Byte* p = inizio;
    quint64 intestazione = 0;
    if (!Varint(p, fine, intestazione) || intestazione > quint64(contenuto.size()) || intestazione < quint64(p - inizio))
        return false;
    const Byte* tipi = p;
    const Byte* fineTipi = inizio + intestazione;
    const Byte* corpo = fineTipi;
    valori.clear();
    while (tipi < fineTipi) {
        quint64 t = 0;
        if (!Varint(tipi, fineTipi, t))
            return false;
        static const int interi[] = {0, 1, 2, 3, 4, 6, 8};
        if (t >= 1 && t <= 6) {
            const int n = interi[t];
            if (corpo + n > fine)
                return false;
            qint64 v = static_cast<signed char>(corpo[0]);
            for (int i = 1; i < n; ++i)
                v = (v << 8) | corpo[i];
            corpo += n;
            valori.append(QVariant(static_cast<qlonglong>(v)));
        } else if (t == 0) {
            valori.append(QVariant());
        } else if (t == 7) {
            if (corpo + 8 > fine)
                return false;
            quint64 bit = 0;
            for (int i = 0; i < 8; ++i)
                bit = (bit << 8) | corpo[i];
            corpo += 8;
            double d;
            std::memcpy(&d, &bit, sizeof d);
            valori.append(QVariant(d));
        } else if (t == 8 || t == 9) {
            valori.append(QVariant(static_cast<qlonglong>(t - 8)));
        } else if (t >= 12) {
            const quint64 n = (t - 12) / 2;
            if (n > quint64(fine - corpo))
                return false;
            const QByteArray b(reinterpret_cast<const char*>(corpo), qsizetype(n));
            corpo += n;
            if (t % 2 == 0) {
                valori.append(QVariant(b));
            } else {
                // A text that begins with U+FEFF keeps it.
                QStringDecoder utf8(QStringDecoder::Utf8,
                                    QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
                const QString s = utf8(b);
                if (utf8.hasError())
                    return false;
                valori.append(QVariant(s));
            }
        } else {
            return false;   // 10 and 11 are reserved
        }
    }
    return corpo == fine;
}

} // namespace

std::vector<Riga> Righe(const QByteArray& dati, const std::function<bool(const Riga&)>& accetta,
                        const QList<quint32>& radici)
{
    std::vector<Riga> righe;
    const Immagine img(dati);
    if (!img.Valida())
        return righe;
    const QSet<quint32> libere = img.Libere();
    const QSet<quint32> raggiunte = libere.isEmpty() ? QSet<quint32>() : img.Raggiunte(radici);
    for (quint32 n = 1; n <= img.Pagine(); ++n) {
        if (libere.contains(n) && !raggiunte.contains(n))
            continue;
        const Byte* pagina = img.Pagina(n);
        const quint32 testa = n == 1 ? 100 : 0;   // page 1 begins with the file header
        if (pagina[testa] != 0x0D)
            continue;
        const quint32 celle = U16(pagina + testa + 3);
        const quint32 primaCella = testa + 8 + 2 * celle;
        if (primaCella > img.Utile())
            continue;
        for (quint32 i = 0; i < celle; ++i) {
            const quint32 posizione = U16(pagina + testa + 8 + 2 * i);
            if (posizione < primaCella || posizione >= img.Utile())
                continue;
            Riga r;
            QByteArray contenuto;
            if (img.Cella(pagina, posizione, r.chiave, contenuto) && Record(contenuto, r.valori) && accetta(r))
                righe.push_back(std::move(r));
        }
    }
    return righe;
}

} // namespace PageScan
