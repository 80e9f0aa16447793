// Fuzz target: the live-frame codec. Checks what the live path relies on: stuffing then
// unstuffing gives the input back, no stuffed text holds D, B, CR or LF, and a decoded
// binary record holds 14 numeric fields and survives text -> binary -> text unchanged.
#include "ecu_link/CodecDati.h"
#include "remote/StatoGSM.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));

    const QByteArray stuffed = CodificoDati(in);
    if (TolgoEscape(stuffed) != in)
        std::abort();
    for (char c : {'D', 'B', '\r', '\n'})
        if (stuffed.contains(c))
            std::abort();

    const QByteArray chiaro = TolgoEscape(in);
    const QByteArray testo = ConvertoDatiBinari(chiaro);
    if (!testo.isEmpty() && testo.size() != 130 && testo.size() != 131)
        std::abort();
    // Every field of a decoded record is a number of at most 8 characters.
    for (int k = 0; testo.size() >= 130 && k < 14; ++k) {
        const QByteArray campo = testo.mid(2 + 9 * k, 8);
        bool ok = false;
        (void)campo.trimmed().toDouble(&ok);
        if (!ok || testo.at(10 + 9 * k) != ',')
            std::abort();
    }
    if (testo.size() == 131 && ConvertoDatiBinari(TolgoEscape(ConvertoDatiTesto(testo).chopped(2))) != testo)
        std::abort();

    const QByteArray gsm = PreparoMessaggioGSM(in);
    if (gsm.front() != '\x02' || gsm.back() != '\x03' || gsm.count('\x03') != 1)
        std::abort();
    return 0;
}
