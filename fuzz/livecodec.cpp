// Fuzz target: the live-frame codec. Checks the round trips the live path relies on:
// stuffing then unstuffing gives the input back, no stuffed text holds D, B, CR or LF,
// and a decoded binary record survives text -> binary -> text unchanged.
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
    if (testo.size() == 131) {
        const QByteArray trama = ConvertoDatiTesto(testo);
        if (!trama.startsWith("DB") || !trama.endsWith("\r\n"))
            std::abort();
        const QByteArray ritorno = ConvertoDatiBinari(TolgoEscape(trama.left(trama.size() - 2)));
        if (ritorno != testo)
            std::abort();
    }
    // Any text record, even a malformed one, converts without failing.
    if (in.size() >= 2)
        (void)ConvertoDatiTesto(in);

    const QByteArray gsm = PreparoMessaggioGSM(in);
    if (gsm.front() != '\x02' || gsm.back() != '\x03' || gsm.count('\x03') != 1)
        std::abort();
    return 0;
}
