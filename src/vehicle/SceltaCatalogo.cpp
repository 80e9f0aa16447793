#include "vehicle/SceltaCatalogo.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MediaImport.h"
#include "catalogue/SoftwareLibrary.h"

#include <QLocale>

namespace SceltaCatalogo {

using CatalogoTesto::Fisso;
using CatalogoTesto::Righe;
using CatalogoTesto::Spazi;

QStringList ElencoValvole(const QByteArray& contenuto)
{
    QStringList elenco;
    for (const QByteArray& riga : CatalogoTesto::RigheCatalogo(contenuto, CatalogoValvole::LunghezzaRecord)) {
        const QByteArray t = riga.trimmed();
        if (t.size() >= 14)
            elenco << CatalogoTesto::Windows1252(t.mid(13));
    }
    return elenco;
}

static bool legacy(const QByteArray& riga)
{
    return riga.size() == 132 || riga.size() == 133;
}

QList<VoceModello> ElencoModelli(const QByteArray& contenuto, int tipoGas)
{
    QList<VoceModello> elenco;
    for (const QByteArray& riga : CatalogoTesto::RigheCatalogo(contenuto, Catalogo::LunghezzaRecord)) {
        const bool vecchio = legacy(riga);
        const QByteArray t = Fisso(riga.trimmed(), Catalogo::LunghezzaTesto);
        bool offerto = false;
        if (vecchio) {
            const char f = t[132];
            offerto = tipoGas == 1 ? (f == 'E' || f == 'M') : f != 'M';
        } else {
            for (int k = 0; k < 3; ++k) {
                const char f = t[177 + k];
                offerto = offerto || (tipoGas == 1 ? (f == 'E' || f == 'M') : (f != ' ' && f != 'M'));
            }
        }
        if (offerto)
            elenco.append({t.left(Catalogo::LunghezzaDescrizione), vecchio ? t.mid(120, 12) : t.mid(165, 12)});
    }
    return elenco;
}

bool SlotOfferto(char flag, int tipoGas)
{
    if (flag == ' ')
        return false;
    if (tipoGas == 1)
        return flag == 'E' || flag == 'M';
    return flag != 'M';
}

bool RecordModello(const QByteArray& contenuto, const QString& chiave, QByteArray& record)
{
    const QByteArray cercata = CatalogoTesto::Maiuscolo(Spazi(chiave.toLatin1()));
    for (const QByteArray& riga : CatalogoTesto::RigheCatalogo(contenuto, Catalogo::LunghezzaRecord)) {
        const QByteArray t = Fisso(riga, Catalogo::LunghezzaTesto);
        const QByteArray k = legacy(riga) ? t.mid(120, 12) : t.mid(165, 12);
        if (CatalogoTesto::Maiuscolo(Spazi(k)) == cercata) {
            record = RecordCatalogo::DaRiga(riga).Testo();
            return true;
        }
    }
    return false;
}

QList<VoceCentralina> CentralineOfferte(const QByteArray& record, int tipoGas)
{
    const QByteArray t = Fisso(record, Catalogo::LunghezzaTesto);
    QList<VoceCentralina> elenco;
    for (int k = 1; k <= 3; ++k) {
        const QByteArray nome = t.mid(45 + 40 * (k - 1), 40);
        if (!Spazi(nome).isEmpty() && SlotOfferto(t[176 + k], tipoGas))
            elenco.append({nome, k});
    }
    return elenco;
}

QString ChiaveVoce(const QString& testo, int larghezza)
{
    return testo.left(larghezza).trimmed().toUpper();
}

int VoceUnica(const QStringList& voci, const QString& memorizzato, int larghezza)
{
    const QString chiave = ChiaveVoce(memorizzato, larghezza);
    int trovata = -1;
    for (int i = 0; i < voci.size(); ++i) {
        if (ChiaveVoce(voci[i], larghezza) != chiave)
            continue;
        if (trovata >= 0)
            return -1;
        trovata = i;
    }
    return trovata;
}

static const QString kVersione = QStringLiteral("Tab_Vers. ");

QString VersioneDaIntestazione(const QByteArray& riga)
{
    const QByteArray testo = TestoIntestazione(riga, 13, 2);
    if (testo.size() != 2)
        return kVersione;
    const long long n = static_cast<long long>(ValoreTesto(testo));
    // A number shows a blank where a negative one shows its sign.
    return kVersione + (n < 0 ? QString() : QStringLiteral(" ")) + QString::number(n);
}

QString VersioneDaRecord(const QByteArray& record)
{
    const QByteArray sei = record.left(6);
    const QByteArray t = sei.trimmed();
    bool numerico = !t.isEmpty();
    for (qsizetype i = 0; i < t.size(); ++i)
        numerico = numerico && ((t[i] >= '0' && t[i] <= '9') || (i == 0 && (t[i] == '-' || t[i] == '+')));
    if (numerico && t.size() > (t[0] == '-' || t[0] == '+' ? 1 : 0))
        return kVersione + QString::number(QLocale::c().toLongLong(t.startsWith('+') ? t.mid(1) : t));
    return kVersione + QString::fromLatin1(sei);
}

} // namespace SceltaCatalogo
