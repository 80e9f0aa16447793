// Fuzz target for map value files: normalising, reading records, the data image (the input
// cut at NUL bytes into map, PWM table and PCM table), the parameter text and the
// conversion into an S-record map.
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray ingresso(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parti = ingresso.split('\0');
    const QByteArray& mappa = parti[0];

    QByteArray normale;
    if (NormalizzoTesto(mappa, normale)) {
        // The normalised form is 8-byte records ending in CR LF, and normalising it again
        // changes nothing.
        if (normale.size() % 8 != 0)
            std::abort();
        for (qsizetype i = 0; i < normale.size(); i += 8)
            if (normale[i + 6] != '\r' || normale[i + 7] != '\n')
                std::abort();
        QByteArray di_nuovo;
        if (!NormalizzoTesto(normale, di_nuovo) || di_nuovo != normale)
            std::abort();
        QByteArray f19;
        if (MappaInF19(normale, QDate(2004, 1, 7), f19) == 0) {
            for (const QByteArrayView riga : RigheTesto(f19)) {
                RecordS r;
                if (!LeggoRecordS(riga, r) || !r.ChecksumValido)
                    std::abort();
            }
        }
    }
    QByteArray f19;
    MappaInF19(mappa, QDate(2004, 1, 7), f19);
    if (ParametriDaRecord(mappa).size() != 28)
        std::abort();
    QByteArray valore;
    for (int n : {1, 75, 2654, 2827})
        if (LeggoRecordMappa(mappa, n, valore) && valore.size() != 6)
            std::abort();

    const QByteArray pwm = parti.size() > 1 ? parti[1] : QByteArray();
    const QByteArray pcm = parti.size() > 2 ? parti[2] : QByteArray();
    const QByteArray immagine = ImmagineDati(mappa, pwm, pcm);
    if (!immagine.isEmpty() && immagine.size() != MappaValori::LunghezzaImmagine)
        std::abort();
    return 0;
}
