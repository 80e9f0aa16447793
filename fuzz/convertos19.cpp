// Fuzz target: the inner encoding of software records. Any bytes convert without failing
// to hexadecimal text; a record encoded by the station's own encoder converts back to
// its text, whole or split at any point into two blocks.
#include "gsmsim/lib/GsmModel.h"
#include "remote/ModemLink.h"
#include "remote/StatoGSM.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
    GSM.BufferS19 = in;
    bool errore = false;
    const QByteArray testo = ConvertoBufferS19(&errore);
    if (errore && (!testo.isEmpty() || GSM.BufferS19 != in))
        std::abort();
    if (!errore && GSM.BufferS19.size() > 1)
        std::abort();

    const QByteArray record = "S1" + in.toHex().toUpper();
    const QByteArray codificato = gsmsim::CodificaS19({record});
    const qsizetype taglio = size > 0 ? data[0] % (codificato.size() + 1) : 0;
    GSM.BufferS19 = codificato.left(taglio);
    QByteArray uscita = ConvertoBufferS19();
    GSM.BufferS19 += codificato.mid(taglio);
    uscita += ConvertoBufferS19();
    if (uscita != record || !GSM.BufferS19.isEmpty())
        std::abort();
    return 0;
}
