// Fuzz target: a live sample built from arbitrary 8-character fields. A field that is not
// a number stays as it came; every field stays 8 characters; the axes stay ordered; the
// recording line is 138 bytes.
#include "diagnosis/Grafici.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/DatiCentralina.h"
#include "shell/Modulo.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool pronto = [] {
        Shell.Lingua = 4;
        IniVarGrafici();
        return true;
    }();
    (void)pronto;
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
    // Up to three samples of 14 fields and a fuel letter each.
    for (qsizetype inizio = 0; inizio < in.size(); inizio += 14 * 8 + 1) {
        RigaDati& r = Diagnosi.DatiVideo[0];
        std::array<QByteArray, 14> prima;
        for (int k = 0; k < 14; ++k) {
            r.Valore[k] = Campo8(in.mid(inizio + 8 * k, 8));
            prima[k] = r.Valore[k];
        }
        r.Valore[15] = Campo8(in.mid(inizio + 14 * 8, 1));
        ElaboroDatiMotore();
        for (int k = 0; k < 16; ++k)
            if (r.Valore[k].size() != 8)
                std::abort();
        for (int k = 0; k < 14; ++k)
            if (!Numerico(prima[k]) && r.Valore[k] != prima[k])
                std::abort();
        for (int c = 0; c <= StatoGraficiRec::CanaleDerivato; ++c)
            if (Graf.Canali[c].ScalaMin > Graf.Canali[c].ScalaMax)
                std::abort();
        if (RigaRegistrazione(r).size() != StatoDiagnosiRec::LungRigaGraf)
            std::abort();
    }
    ElaboroCampioni();
    Diagnosi.reset();
    AzzeroScaleGrafici();
    return 0;
}
