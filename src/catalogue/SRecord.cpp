#include "catalogue/SRecord.h"

#include "catalogue/MapFiles.h"
#include "platform/Files.h"
#include "shell/Procedure.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

int byteEsa(QByteArrayView t, qsizetype i)
{
    const int a = CifraEsa(t[i]), b = CifraEsa(t[i + 1]);
    return a < 0 || b < 0 ? -1 : a * 16 + b;
}

struct Segmento {
    int prima;
    int ultima;       // 0: up to the last record of the file
    uint32_t indirizzo;
};

const Segmento Segmenti[] = {
    {2003, 2604, 0x4FA6},
    {2605, 2630, 0x545A},
    {1, 2002, 0x4002},
    {2631, 2786, 0x548E},
    {2787, 2818, 0x55C6},
    {2819, 2827, 0x5606},
    {2828, 0, 0x5618},
};

constexpr int MassimoCifre = 168;  // 42 words a record

} // namespace

int LunghezzaIndirizzoS(char tipo)
{
    switch (tipo) {
    case '0': case '1': case '5': case '9': return 2;
    case '2': case '6': case '8': return 3;
    case '3': case '7': return 4;
    default: return 0;
    }
}

bool LeggoRecordS(QByteArrayView riga, RecordS& record)
{
    while (!riga.isEmpty() && (riga.back() == ' ' || riga.back() == '\t' || riga.back() == '\r'))
        riga.chop(1);
    if (riga.size() < 4 || riga[0] != 'S')
        return false;
    const int la = LunghezzaIndirizzoS(riga[1]);
    if (la == 0 || (riga.size() % 2) != 0)
        return false;
    const int conteggio = byteEsa(riga, 2);
    if (conteggio < la + 1 || riga.size() != 4 + 2 * qsizetype(conteggio))
        return false;
    RecordS r;
    r.Tipo = riga[1];
    r.Conteggio = conteggio;
    r.LunghezzaIndirizzo = la;
    unsigned somma = unsigned(conteggio);
    for (int i = 0; i < la; ++i) {
        const int b = byteEsa(riga, 4 + 2 * i);
        if (b < 0)
            return false;
        r.Indirizzo = (r.Indirizzo << 8) | uint32_t(b);
        somma += unsigned(b);
    }
    const int nDati = conteggio - la - 1;
    r.Dati.resize(nDati);
    for (int i = 0; i < nDati; ++i) {
        const int b = byteEsa(riga, 4 + 2 * (la + i));
        if (b < 0)
            return false;
        r.Dati[i] = char(b);
        somma += unsigned(b);
    }
    const int cs = byteEsa(riga, riga.size() - 2);
    if (cs < 0)
        return false;
    r.Checksum = uint8_t(cs);
    r.ChecksumValido = uint8_t(255 - (somma & 0xFF)) == r.Checksum;
    record = std::move(r);
    return true;
}

bool RecordSValido(QByteArrayView riga)
{
    RecordS r;
    return LeggoRecordS(riga, r) && r.ChecksumValido;
}

bool RigheRecordS(const QByteArray& testo)
{
    const QList<QByteArrayView> righe = RigheTesto(testo);
    return !righe.isEmpty() && std::all_of(righe.begin(), righe.end(), RecordSValido);
}

QByteArray CalcoloChecksum(QByteArrayView corpo)
{
    unsigned somma = 0;
    for (qsizetype i = 0; i + 1 < corpo.size(); i += 2) {
        const int b = byteEsa(corpo, i);
        if (b >= 0)
            somma += unsigned(b);
    }
    return Esadecimale(255 - (somma & 0xFF), 2);
}

QByteArray Esadecimale(uint32_t valore, int cifre)
{
    static const char cifreEsa[] = "0123456789ABCDEF";
    QByteArray s(cifre, '0');
    for (int i = cifre - 1; i >= 0; --i) {
        s[i] = cifreEsa[valore & 0xF];
        valore >>= 4;
    }
    return s;
}

QByteArray ParolaMappa(double valore)
{
    if (!std::isfinite(valore) || std::fabs(valore) > 9.0e15)
        valore = 0;
    const long long intero = std::llrint(valore);  // to the nearest, halves to even
    return Esadecimale(uint32_t(uint64_t(intero) & 0xFFFF), 4);
}

namespace {

bool recordS1(const QList<QByteArrayView>& righe, int primaRiga, int ultimaRiga, uint32_t indirizzo,
              QByteArray& uscita)
{
    uscita.clear();
    QByteArray buffer;
    buffer.reserve(MassimoCifre + 4);
    int n = 0;
    qsizetype i = 0;
    while (n < ultimaRiga) {
        if (i >= righe.size())
            return false;
        const QByteArrayView riga = righe[i++];
        if (riga.startsWith('*'))
            continue;
        ++n;
        if (n < primaRiga)
            continue;
        buffer += ParolaMappa(ValoreConSegno(riga.first(std::min<qsizetype>(6, riga.size()))));
        if (n == ultimaRiga || buffer.size() >= MassimoCifre) {
            QByteArray corpo = Esadecimale(indirizzo, 4) + buffer;
            corpo.prepend(Esadecimale(uint32_t(corpo.size() / 2 + 1), 2));
            uscita += "S1";
            uscita += corpo;
            uscita += CalcoloChecksum(corpo);
            uscita += "\r\n";
            indirizzo += uint32_t(buffer.size() / 2);
            buffer.clear();
        }
    }
    return true;
}

} // namespace

bool RecordS1(const QByteArray& sorgente, int primaRiga, int ultimaRiga, uint32_t indirizzo,
              QByteArray& uscita)
{
    return recordS1(RigheTesto(sorgente), primaRiga, ultimaRiga, indirizzo, uscita);
}

int ScrivoRecordS1(const QString& sorgente, const QString& destinazione, int primaRiga,
                   int ultimaRiga, uint32_t indirizzo)
{
    QByteArray testo, record;
    const QString origine = TrovoFile(sorgente);
    if (!QFileInfo(origine).isFile() || !Files::LeggiTutto(origine, testo))
        return 1;
    if (!RecordS1(testo, primaRiga, ultimaRiga, indirizzo, record))
        return 1;
    return Files::ScriviAtomico(TrovoFile(destinazione), record) ? 0 : 1;
}

QByteArray IntestazioneS0(int versione, QDate data)
{
    const QByteArray cifre = DueCifre(versione).toLatin1();
    QByteArray corpo = "0000";
    corpo += "3032";
    corpo += Esadecimale(uint8_t(cifre[0]), 2);
    corpo += Esadecimale(uint8_t(cifre[1]), 2);
    corpo += "4C3041413030";  // L0AA00
    corpo += Esadecimale(uint32_t(data.day()), 2);
    corpo += Esadecimale(uint32_t(data.month()), 2);
    corpo += Esadecimale(uint32_t(data.year()), 4);
    corpo += "3030303030";
    corpo.prepend(Esadecimale(uint32_t(corpo.size() / 2 + 1), 2));
    return "S0" + corpo + CalcoloChecksum(corpo);
}

int MappaInF19(const QByteArray& qox, QDate data, QByteArray& f19)
{
    f19.clear();
    const double ottavi = double(qox.size()) / MappaValori::LunghezzaRecord;
    const int ultimo = int(std::nearbyint(ottavi));
    const QList<QByteArrayView> righe = RigheTesto(qox);
    QByteArray segmenti[std::size(Segmenti)];
    for (size_t s = 0; s < std::size(Segmenti); ++s) {
        const Segmento& g = Segmenti[s];
        if (!recordS1(righe, g.prima, g.ultima ? g.ultima : ultimo, g.indirizzo, segmenti[s]))
            return 15;
    }
    QByteArray versione;
    if (!LeggoRecordMappa(qox, MappaValori::RecordVersione, versione))
        return 99;
    const double v = std::nearbyint(Val(versione));
    f19 = IntestazioneS0(int(v), data);
    f19 += "\r\n";
    for (const QByteArray& s : segmenti)
        f19 += s;
    return 0;
}

int ConvertoMappaInF19(const QString& sorgente, const QString& destinazione, QDate oggi)
{
    if (!oggi.isValid())
        oggi = QDate::currentDate();
    const QString qox = TrovoFile(sorgente + QStringLiteral(".QOX"));
    QByteArray testo, f19;
    if (!QFileInfo(qox).isFile() || !Files::LeggiTutto(qox, testo))
        return 99;
    const int codice = MappaInF19(testo, oggi, f19);
    if (codice != 0)
        return codice;
    if (!Files::ScriviAtomico(TrovoFile(destinazione + QStringLiteral(".F19")), f19))
        return 99;
    // The map now lives in the .F19; the value file it came from is removed.
    QFile::remove(qox);
    return 0;
}

int PreparoMappa(const QString& sorgente, const QString& destinazione, QDate oggi)
{
    int codice = 15;
    if (FormattoFile(sorgente + QStringLiteral(".QOX")) != -1)
        codice = ConvertoMappaInF19(sorgente, destinazione, oggi);
    if (codice != 0) {
        // No map of an earlier conversion may stand in for the one that failed.
        const QString f19 = TrovoFile(destinazione + QStringLiteral(".F19"));
        if (QFileInfo::exists(f19) && !QFile::remove(f19))
            codice = 99;
    }
    return codice;
}
