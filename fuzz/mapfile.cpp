// Fuzz target for map value files: normalising, reading records, the data image (the input
// cut at NUL bytes into map, PWM table and PCM table), the parameter text and the
// conversion into an S-record map.
#include "catalogue/LimitsFile.h"
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "diagnosis/Parametri.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QTemporaryFile>
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

    // The parameter records of the older software: what is read without error is written
    // back as the same records and reads the same.
    const ParametriMappaVecchia p = LeggoRecordParametri(mappa);
    if (p.esito == 0) {
        QByteArray scritta = mappa;
        for (const auto& [n, v] : RecordParametri(p.testi, p.gasForzo, p.commutatore)) {
            if (v.size() != 6)
                std::abort();
            scritta.replace(qsizetype(n - 1) * MappaValori::LunghezzaRecord, 6, v);
        }
        const ParametriMappaVecchia di_nuovo = LeggoRecordParametri(scritta);
        if (di_nuovo.esito != 0 || di_nuovo.testi != p.testi || di_nuovo.gasForzo != p.gasForzo ||
            di_nuovo.commutatore != p.commutatore)
            std::abort();
    }
    for (const QString& t : p.testi)
        if (t.size() > 6)
            std::abort();

    // The same bytes as a limits file.
    QTemporaryFile limiti;
    if (limiti.open()) {
        limiti.write(mappa);
        limiti.flush();
        const FileLimiti f = LeggoFileLimiti(limiti.fileName(), 4);
        if (!f.esiste || f.righe.size() > 4)
            std::abort();
        for (const RigaLimiti& r : f.righe)
            if (r.campi < 0 || r.campi > 3 || (r.campi < 2 && r.minimo != 0) || (r.campi < 3 && r.massimo != 0))
                std::abort();
    }

    const QByteArray pwm = parti.size() > 1 ? parti[1] : QByteArray();
    const QByteArray pcm = parti.size() > 2 ? parti[2] : QByteArray();
    const QByteArray immagine = ImmagineDati(mappa, pwm, pcm);
    if (!immagine.isEmpty() && immagine.size() != MappaValori::LunghezzaImmagine)
        std::abort();
    return 0;
}
