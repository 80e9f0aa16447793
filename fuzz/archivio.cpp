// Fuzz target for the archive's text handling of outside data: the key collation that SQLite
// calls on whatever bytes a file holds (it must stay a consistent order and never fail), and
// the letter templates that users edit (decoding and placeholder merge).
#include "archive/Collazione.h"
#include "archive/Lettere.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {
int Segno(int v) { return (v > 0) - (v < 0); }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* s = reinterpret_cast<const char*>(data);
    size_t meta = 0;
    while (meta < size && data[meta] != 0)
        ++meta;
    const char* b = s + (meta < size ? meta + 1 : size);
    const int na = static_cast<int>(meta), nb = static_cast<int>(size - (b - s));

    const int ab = Collazione::ConfrontaUtf8(s, na, b, nb);
    const int ba = Collazione::ConfrontaUtf8(b, nb, s, na);
    if (Segno(ab) != -Segno(ba) || Collazione::ConfrontaUtf8(s, na, s, na) != 0)
        abort();
    const QString testo = QString::fromUtf8(s, na);
    const QString minima = Collazione::ChiaveMinima(testo);
    if (Collazione::Confronta(minima, testo) > 0 || !Collazione::IniziaCon(testo, minima))
        abort();

    const QByteArray dati(s, static_cast<qsizetype>(size));
    Lettere::DatiLettera d;
    d.saluto = QStringLiteral("Dear Sirs");
    d.nome = QString::fromUtf8(b, nb);
    d.provincia = QStringLiteral("RM");
    d.revisione = QDate(2004, 2, 1);
    d.oggi = QDate(2026, 1, 1);
    for (int lingua : {1, 4}) {
        const QString t = Lettere::Decodifica(dati, lingua);
        if (!Lettere::Utf8Valido(dati) && Lettere::Codifica(t, lingua, false) != dati)
            abort();   // the code pages round-trip every byte
        for (const QString& riga : Lettere::Righe(t))
            Lettere::UnisciRiga(riga, d);
    }
    return 0;
}
