#include "vehicle/WorkingMap.h"

#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>

namespace {

qint64 Record(const QString& file)
{
    return QFileInfo(file).size() / MappaValori::LunghezzaRecord;
}

QByteArray Sei(const QString& testo)
{
    return (QByteArrayLiteral("000000") + testo.trimmed().toLatin1()).right(6);
}

} // namespace

bool PreparoFileTabella(const FileTabellaDati& dati, QString& fileTabella, QString& versione)
{
    fileTabella.clear();
    versione.clear();
    const QString cartella = dati.personalizzata ? dati.dirPersonal : dati.dirCentralina;
    if (dati.dirCentralina.trimmed().isEmpty() || cartella.trimmed().isEmpty())
        return false;
    const QString nome = NomeMappa();
    const QString standard = Files::Trova(dati.dirCentralina, nome + QStringLiteral(".QOX"));
    const QString lavoro = Files::Trova(cartella, nome + QStringLiteral(".APP"));
    if (QFileInfo::exists(lavoro) && !QFile::remove(lavoro))
        return false;
    if (!QFileInfo(standard).isFile() || !Files::CopiaAtomica(standard, lavoro))
        return false;

    QList<std::pair<int, QByteArray>> record;
    if (dati.personalizzata) {
        const QString personale = Files::Trova(dati.dirPersonal, nome + QStringLiteral(".QOX"));
        QByteArray mappa;
        if (FormattoFile(personale) != 0 || !Files::LeggiTutto(personale, mappa) ||
            mappa.size() / MappaValori::LunghezzaRecord < MinimoRecordPersonali)
            return false;
        for (int n : RecordPersonali) {
            QByteArray v;
            LeggoRecordMappa(mappa, n, v);
            record.append({n, v});
        }
    }
    if (FormattoFile(lavoro) != 0 || Record(lavoro) < MinimoRecordTabella)
        return false;
    record.append({2823, Sei(dati.giorno)});
    record.append({2824, Sei(dati.mese)});
    record.append({2825, Sei(dati.anno)});
    record.append({2826, Sei(QString::number(dati.tipoInstallazione))});
    QByteArray v;
    if (!ScrivoRecordMappa(lavoro, record) || !LeggoRecordMappa(lavoro, MappaValori::RecordVersione, v))
        return false;
    fileTabella = lavoro;
    versione = QString::number(Val(QByteArrayView(v)));
    return true;
}
