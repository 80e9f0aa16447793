// Fuzz target for the S-record readers: record lines, version texts, the software name of a
// map header, the parameter words of a map and the composition of a programming image.
// The input is cut at NUL bytes into software, map, PWM table and PCM table.
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "catalogue/SoftwareLibrary.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray ingresso(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parti = ingresso.split('\0');

    for (const QByteArrayView riga : RigheTesto(parti[0])) {
        RecordS r;
        if (LeggoRecordS(riga, r)) {
            // A record read back must agree with its own count.
            if (r.Dati.size() != r.Conteggio - r.LunghezzaIndirizzo - 1)
                std::abort();
        }
        uint32_t somma = 0;
        bool primo = true;
        SommoChecksum(riga, somma, primo);
        if (CalcoloChecksum(riga).size() != 2)
            std::abort();
    }
    if (const QString v = VersioneSoftware(parti[0], true); !v.isEmpty() && v.size() != 9)
        std::abort();
    if (const QString v = VersioneSoftware(parti[0], false); !v.isEmpty() && v.size() != 9)
        std::abort();
    const QList<QByteArrayView> righe = RigheTesto(parti[0]);
    if (!righe.isEmpty()) {
        const QString nome = NomeSoftwareDaIntestazione(righe[0]);
        if (!nome.isEmpty() && (nome.size() != 4 || nome.contains(QLatin1Char('/'))))
            std::abort();
        // The send dialog's header fields: whole or empty, never a crash.
        const VersioniIntestazione v = LeggoVersioniIntestazione(righe[0]);
        if ((!v.software.isEmpty() && v.software.size() != 4) || (!v.progetto.isEmpty() && v.progetto.size() != 5))
            std::abort();
        // The map version is the number the two characters make, a sign included ("-9").
        if (!v.versioneMappa.isEmpty() && QString::number(v.versioneMappa.toLongLong()) != v.versioneMappa)
            std::abort();
    }
    if (ParametriDaF19(parti[0]).size() != 28)
        std::abort();

    if (parti.size() >= 4) {
        DatiProgrammazione dati;
        dati.TipoCentralina = 2;
        dati.AutoImp = {QStringLiteral("7"), QStringLiteral("1"), QStringLiteral("2004"),
                        QStringLiteral("8"), QStringLiteral("1"), QStringLiteral("2030")};
        dati.Oggi = QDate(2026, 1, 1);
        QByteArray immagine;
        if (ComponoProgrammazione(parti[0], parti[1], parti[2], parti[3], dati, immagine) == 0) {
            // Every line of a finished image is a whole S-record with a correct checksum.
            for (const QByteArrayView riga : RigheTesto(immagine)) {
                RecordS r;
                if (!LeggoRecordS(riga, r) || !r.ChecksumValido)
                    std::abort();
            }
        }
    }
    return 0;
}
