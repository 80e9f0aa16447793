// Applying a catalogue update received from the assistance station: the record joins the
// staging catalogue TEMPOR\<make>.PRN, the model folder follows a changed key, the map and
// the limits go into the folder of the first petrol-ECU slot. Every file is replaced whole
// (copy to a temporary file, then rename), never deleted first.
#include "remote/ModemLink.h"

#include "catalogue/Catalogue.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace {

constexpr qsizetype LungRecord = 182;

QString Chiave(const QByteArray& campo) { return TestoStazione(campo).trimmed().toUpper(); }

bool Vuoto(const QByteArray& campo) { return campo.trimmed().isEmpty(); }

} // namespace

int AggiornoDaAssistenza()
{
    const QString tempor = Files::PercorsoApp(QStringLiteral("TEMPOR"));
    const QString agg = Files::Percorso(tempor, QStringLiteral("AGGMARCA.NEW"));
    const QString qox = Files::Percorso(tempor, QStringLiteral("FILEQOX.NEW"));
    const QString limiti = Files::Percorso(tempor, QStringLiteral("LIMITI.NEW"));
    for (const QString& p : {agg, qox, limiti})
        if (!QFileInfo(p).isFile())
            return 0;

    QByteArray dati;
    if (!Files::LeggiTutto(agg, dati))
        return 0;
    QFile::remove(agg);
    QByteArray agm = CatalogoTesto::Righe(dati).value(0);
    if (agm.size() < 208)
        agm = agm.leftJustified(208, ' ');
    NomiAggMarca nomi;
    if (!LeggoNomiAggMarca(agm.left(208), nomi))
        return 0;
    const QString& marca = nomi.marca;
    const QString& chiave = nomi.chiave;
    const QString& mappa = nomi.mappa;
    const QByteArray nuovo = agm.mid(20, 180);

    const QString cartellaMarca = Files::Percorso(tempor, marca);
    if (!Files::CreaCartella(cartellaMarca))
        return 0;
    const QString catalogo = Files::Percorso(tempor, marca + QStringLiteral(".PRN"));
    const QString appoggio = Files::Percorso(tempor, QStringLiteral("APPOGGIO.APP"));

    // Record merge.
    QByteArray righe;
    QString vecchiaChiave;
    bool trovato = false;
    if (QFileInfo(catalogo).exists()) {
        if (!ConvertoFilePRN(QStringLiteral("TEMPOR\\") + marca) || !Files::LeggiTutto(catalogo, righe))
            return 0;
        const QString descrizione = Chiave(nuovo.left(41));
        for (qsizetype pos = 0; pos + 180 <= righe.size(); pos += LungRecord) {
            const QByteArray r = righe.mid(pos, 180);
            if (Chiave(r.mid(165, 12)) != chiave.toUpper() && Chiave(r.left(41)) != descrizione)
                continue;
            trovato = true;
            vecchiaChiave = TestoStazione(r.mid(165, 12)).trimmed();
            QByteArray unito = nuovo;
            for (int slot = 0; slot < 3; ++slot) {
                const qsizetype at = 45 + 40 * slot;
                if (Vuoto(nuovo.mid(at, 40)))
                    unito.replace(at, 40, r.mid(at, 40));
            }
            righe.replace(pos, 180, unito);
            break;
        }
    }
    if (!trovato) {
        if (!righe.isEmpty() && !righe.endsWith("\r\n"))
            righe += "\r\n";
        righe += nuovo + "\r\n";
    }
    if (!Files::ScriviAtomico(appoggio, righe))
        return 0;

    // The model folder follows a changed key.
    if (trovato && vecchiaChiave.toUpper() != chiave.toUpper() && Files::ComponenteValido(vecchiaChiave)) {
        const QString vecchia = Files::Percorso(cartellaMarca, vecchiaChiave);
        if (QFileInfo(vecchia).isDir()) {
            if (QFileInfo(Files::Percorso(cartellaMarca, chiave)).exists())
                return 0;
            if (!QDir().rename(vecchia, QDir(cartellaMarca).filePath(chiave)))
                return 0;
        }
    }
    const QString cartellaModello = Files::Percorso(cartellaMarca, chiave);
    if (!Files::CreaCartella(cartellaModello))
        return 0;
    int slot = 0;
    for (int k = 0; k < 3 && slot == 0; ++k)
        if (!Vuoto(nuovo.mid(45 + 40 * k, 40)))
            slot = k + 1;
    if (slot == 0)
        return 0;
    const QString centrale = Files::Percorso(cartellaModello, QStringLiteral("CENTRAL%1").arg(slot));
    if (!Files::CreaCartella(centrale))
        return 0;

    QString nomeMappa = mappa;
    if (mappa.startsWith(QLatin1Char('C')))
        nomeMappa += QStringLiteral(".F19");
    else if (mappa.startsWith(QLatin1Char('M')))
        nomeMappa += QStringLiteral(".QOX");
    if (!Files::CopiaAtomica(qox, Files::Percorso(centrale, nomeMappa)))
        return 0;
    QFile::remove(qox);
    if (!Files::CopiaAtomica(limiti, Files::Percorso(centrale, QStringLiteral("LIMITI.TXT"))))
        return 0;
    QFile::remove(limiti);

    std::error_code ec;
    std::filesystem::rename(appoggio.toStdString(), catalogo.toStdString(), ec);
    return ec ? 0 : -1;
}
