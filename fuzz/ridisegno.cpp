// Fuzz target: the redraw of the graph traces over an arbitrary recording file. Every
// segment belongs to an occupied slot, its ends are finite and lie at or right of the
// window edge less one record, and the walk never reads beyond the whole records.
#include "diagnosis/Grafici.h"

#include <QBuffer>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the slots' channels and the window; the rest is the file.
    const int scelta = data[0];
    std::array<Traccia, 4> tracce;
    for (int s = 0; s < 4; ++s)
        tracce[s].Canale = (scelta >> s) & 1 ? (scelta * (s + 3)) % 16 : -1;
    const qint32 origine = (scelta % 7) * 40;
    QByteArray file(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QBuffer b(&file);
    b.open(QIODevice::ReadOnly);
    LeggoTracce(b, tracce, origine, origine, [&](const Segmento& s) {
        if (s.slot < 0 || s.slot > 3 || tracce[s.slot].Canale < 0)
            std::abort();
        for (double v : {s.x1, s.y1, s.x2, s.y2})
            if (!std::isfinite(v))
                std::abort();
        if (s.punto && (s.x1 != s.x2 || s.y1 != s.y2))
            std::abort();
    });
    return 0;
}
