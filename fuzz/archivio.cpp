// Fuzz target for the archive's handling of outside data: the key collation that SQLite
// calls on whatever bytes a file holds (it must stay a consistent order and never fail), the
// letter templates that users edit (decoding and placeholder merge), and the page reader of
// the repair, which reads whatever a damaged file holds (the input follows a file header
// with 512-byte pages and a free list from page 2: the input is the file from byte 100 on;
// the trees rooted on pages 1 and 3 are followed).
#include "archive/Collazione.h"
#include "archive/Lettere.h"
#include "archive/PageScan.h"

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
    QByteArray file(100, '\0');
    file.replace(0, 16, QByteArray("SQLite format 3\0", 16));
    file[16] = 2;   // 512-byte pages
    file[35] = 2;   // first free-list trunk page
    file[56] = 1;   // UTF-8
    file += dati;
    for (const PageScan::Riga& r : PageScan::Righe(file, [](const PageScan::Riga&) { return true; }, {1, 3}))
        if (r.valori.isEmpty() && r.chiave == 0x7fffffffffffffff)
            abort();   // keeps the rows from being optimised away
    return 0;
}
