#include "demodata/lib/DemoData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace DemoData {

namespace {

QByteArray Pad(const QByteArray& v, int n)
{
    return v.size() >= n ? v.left(n) : v + QByteArray(n - v.size(), ' ');
}

QByteArray Esa(quint32 v, int cifre)
{
    return QByteArray::number(v, 16).toUpper().rightJustified(cifre, '0').right(cifre);
}

bool Scrivo(const QString& base, const QString& relativo, const QByteArray& dati, QString* errore)
{
    const QString p = base + QLatin1Char('/') + relativo;
    if (!QDir().mkpath(QFileInfo(p).absolutePath())) {
        if (errore)
            *errore = QStringLiteral("cannot create the folder of ") + p;
        return false;
    }
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(dati) != dati.size()) {
        if (errore)
            *errore = QStringLiteral("cannot write ") + p;
        return false;
    }
    return true;
}

QString S(const QByteArray& b) { return QString::fromLatin1(b); }

Modello M(const char* marca, const char* chiave, const char* descr, const char* valv, const char* c1,
          const char* c2, const char* c3, const char* tipo, const char* predefinito = "")
{
    Modello m;
    m.marca = marca;
    m.chiave = chiave;
    m.descrizione = descr;
    m.valvole = valv;
    m.centralina[0] = c1;
    m.centralina[1] = c2;
    m.centralina[2] = c3;
    m.tipo = tipo;
    m.predefinito = predefinito;
    return m;
}

// Files of one catalogue slot folder: maps per ECU type and fuel, limits, wiring diagrams.
bool ScrivoSlot(const QString& base, const QString& rel, const Modello& m, int slot, QString* errore)
{
    const char flag = m.tipo.size() >= slot ? m.tipo.at(slot - 1) : ' ';
    const bool gpl = flag != 'M';
    const bool metano = flag == 'M' || flag == 'E';
    const QString dir = rel + QStringLiteral("/CENTRAL%1/").arg(slot);
    for (int t : TipiCentralina()) {
        const QString nn = QStringLiteral("%1").arg(t, 2, 10, QLatin1Char('0'));
        const QByteArray intest = m.marca + " " + m.chiave + " SLOT " + QByteArray::number(slot);
        if (gpl && !Scrivo(base, dir + QStringLiteral("MOTORO") + nn + QStringLiteral(".QOX"),
                           MappaValori(t, false, intest), errore))
            return false;
        if (metano && !Scrivo(base, dir + QStringLiteral("METANO") + nn + QStringLiteral(".QOX"),
                              MappaValori(t, true, intest), errore))
            return false;
    }
    if (!Scrivo(base, dir + QStringLiteral("LIMITI.TXT"), Limiti(), errore))
        return false;
    if (!Scrivo(base, dir + S(m.chiave) + QStringLiteral(".PDF"), SchemaPdf(m.descrizione + " LPG"), errore))
        return false;
    if (metano && !Scrivo(base, dir + S(m.chiave) + QStringLiteral("M.PDF"), SchemaPdf(m.descrizione + " CNG"), errore))
        return false;
    return true;
}

bool ScrivoAlbero(const QString& base, const Modello& m, QString* errore)
{
    const QString rel = S(m.marca) + QLatin1Char('/') + S(m.chiave);
    if (!QDir().mkpath(base + QLatin1Char('/') + rel)) {
        if (errore)
            *errore = QStringLiteral("cannot create ") + rel;
        return false;
    }
    for (int k = 1; k <= 3; ++k)
        if (!m.centralina[k - 1].isEmpty() && !ScrivoSlot(base, rel, m, k, errore))
            return false;
    return true;
}

bool ScrivoTabelle(const QString& base, const Valvola& v, QString* errore)
{
    const QString dir = QStringLiteral("VALVOLE/") + S(v.cartella) + QLatin1Char('/');
    return Scrivo(base, dir + QStringLiteral("TABPWM02.PWM"), TabellaPWM(), errore)
           && Scrivo(base, dir + QStringLiteral("TABPCM02.PCM"), TabellaPCM(), errore)
           && Scrivo(base, dir + QStringLiteral("TABPWM.PWM"), TabellaPWM(), errore)
           && Scrivo(base, dir + QStringLiteral("TABPCM.PCM"), TabellaPCM(), errore);
}

QString CartellaSoftware(const Software& s)
{
    QString d = QStringLiteral("SOFTWARE/") + S(s.famiglia) + QLatin1Char('/');
    if (!s.cartella.isEmpty())
        d += S(s.cartella) + QLatin1Char('/');
    return d;
}

bool ScrivoSoftware(const QString& base, const Software& s, QString* errore)
{
    const QString d = CartellaSoftware(s);
    return Scrivo(base, d + S(s.nome) + QStringLiteral(".S19"), SoftwareS19(s), errore)
           && Scrivo(base, d + S(s.nome) + QStringLiteral(".TXT"), DescrizioneSoftware(s), errore);
}

} // namespace

QList<Modello> ModelliProgramma()
{
    return {
        M("AURELIA", "BREZZA12", "AURELIA BREZZA 1.2", "3", "PETRONIX P3", "FUELTEK MK1", "INJECTA 4NR", "GME"),
        M("AURELIA", "CORSA14", "AURELIA CORSA 1.4 16V", "4", "PETRONIX P4 MULTIPOINT", "FUELTEK MK2", "", "GE "),
        M("AURELIA", "VENTO20", "AURELIA VENTO 2.0", "4", "INJECTA 5NR", "", "", "M  "),
        M("BOREAS", "STEPPA16", "BOREAS STEPPA 1.6", "4", "INJECTA 5NR", "PETRONIX P4", "", "GG "),
        M("BOREAS", "TUNDRA18T", "BOREAS TUNDRA 1.8 TURBO", "4", "FUELTEK MK3", "", "", "G  "),
        M("CALDERA", "LAVA16", "CALDERA LAVA 1.6", "4", "PETRONIX P2", "", "", "M  "),
        M("CALDERA", "MAGMA13", "CALDERA MAGMA 1.3", "3", "FUELTEK MK1", "", "", "G  "),
    };
}

QByteArray MarcaVecchia() { return "CALDERA"; }

QList<Valvola> ValvoleProgramma()
{
    return {{"RA01", "MODEL_1", "RAIL ALPHA 4 CYLINDERS"}, {"RB02", "MODEL_2", "RAIL BETA 3 CYLINDERS"}};
}

QList<Software> SoftwareProgramma()
{
    return {
        {"02", "L0AA", "L0AA", "ZQ3010450", false},
        {"02", "KERNEL", "K1", "KL1130520", true},
        {"02", "", "SW0450", "ZQ3010450", false},
        {"01", "", "SW0120", "ZQ1010120", false},
    };
}

QList<MappaSenzaSoftware> MappeSenzaSoftware()
{
    return {{"BOREAS", "TUNDRA18T", 1, "L1AA"}, {"CALDERA", "MAGMA13", 1, "L0ZZ"}};
}

QByteArray VersioneDatiProgramma() { return "DEMO CATALOGUE DATA 2026-09 REV 3"; }

QList<Modello> ModelliSupporto()
{
    return {
        // New model of an installed make; slot 1 has no flag and the block no default: "G".
        M("AURELIA", "ALBA10", "AURELIA ALBA 1.0", "3", "PETRONIX P3", "FUELTEK MK1", "", " M "),
        // Installed model replaced: stored "G" and imported "M" for slot 1 give "E".
        M("BOREAS", "TUNDRA18T", "BOREAS TUNDRA 1.8 TURBO GT", "4", "FUELTEK MK3", "", "", "M  "),
        // A new make with three slots; slot 3 takes the block's default flag "E".
        M("DELFINO", "MAREA16", "DELFINO MAREA 1.6", "4", "INJECTA 6NR", "PETRONIX P5", "FUELTEK MK4", "GM ", "E"),
        // A new model for the make kept in the legacy layout (converted on import).
        M("CALDERA", "FUMO20", "CALDERA FUMO 2.0", "4", "PETRONIX P4", "", "", "E  "),
    };
}

QList<Valvola> ValvoleSupporto()
{
    return {{"RB2X", "MODEL_2", "Rail Beta 3 Cylinders"}, {"RG03", "MODEL_3", "RAIL GAMMA 6 CYLINDERS"}};
}

QList<Software> SoftwareSupporto()
{
    return {{"02", "L0AB", "L0AB", "ZQ3020460", false}};
}

QByteArray VersioneDatiSupporto() { return "DEMO CATALOGUE DATA 2026-11 REV 4"; }

QByteArray NomeFileModelli() { return "MODELLI.DAT"; }

QList<int> TipiCentralina() { return {1, 2}; }

QByteArray RigaCatalogo(const Modello& m)
{
    return Pad(m.descrizione, 41) + Pad(m.valvole, 4) + Pad(m.centralina[0], 40) + Pad(m.centralina[1], 40)
           + Pad(m.centralina[2], 40) + Pad(m.chiave, 12) + Pad(m.tipo, 3);
}

QByteArray RigaCatalogoVecchia(const Modello& m, bool conFlag)
{
    QByteArray r = Pad(m.descrizione, 41) + Pad(m.valvole, 4) + Pad(m.centralina[0], 25) + Pad(m.centralina[1], 25)
                   + Pad(m.centralina[2], 25) + Pad(m.chiave, 12);
    if (conFlag)
        r += m.tipo.left(1);
    return r;
}

int ValorePWM(int riga) { return 100 + (riga * 5) % 900; }
int ValorePCM(int riga) { return 10 * riga; }

int ValoreMappa(int record, int tipoCentralina, bool metano)
{
    if (record >= 2003 && record <= 2604)
        return ValorePWM(record - 2002);
    if (record >= 2605 && record <= 2630)
        return ValorePCM(record - 2604);
    switch (record) {
    case 2650: return -1;
    case 2654: return 35;
    case 2690: case 2775: return 0;
    case 2691: case 2776: return 2000;
    case 2692: case 2777: return 200;
    case 2700: case 2784: return 1200;
    case 2701: case 2785: return 2950;
    case 2702: case 2786: return 20;
    case 2705: return 1;
    case 2706: return 1;
    case 2823: return 7;
    case 2824: return 1;
    case 2825: return 2004;
    case 2826: return 0;
    case 2827: return metano ? 6 : 5;
    default: break;
    }
    if (record <= 2002)
        return (record * 37 + tipoCentralina * 11 + (metano ? 500 : 0)) % 2000;
    return (record * 3) % 500;
}

static QByteArray Sei(int v)
{
    return (QByteArray("000000") + QByteArray::number(v)).right(6);
}

QByteArray MappaValori(int tipoCentralina, bool metano, const QByteArray& intestazione)
{
    QByteArray b = "* DEMO MAP " + intestazione + " TYPE " + QByteArray::number(tipoCentralina) + "\r\n";
    for (int n = 1; n <= 2850; ++n)
        b += Sei(ValoreMappa(n, tipoCentralina, metano)) + "\r\n";
    return b;
}

QByteArray TabellaPWM()
{
    QByteArray b;
    for (int n = 1; n <= 602; ++n)
        b += QByteArray::number(ValorePWM(n)) + "\r\n";
    return b;
}

QByteArray TabellaPCM()
{
    QByteArray b;
    for (int n = 1; n <= 26; ++n)
        b += QByteArray::number(ValorePCM(n)) + "\r\n";
    return b;
}

QByteArray Limiti()
{
    return "SOGLIA;1500;3000;\r\n"
           "RITARDO;0;500;\r\n"
           "TEMPERATURA;20;60;\r\n"
           "PRESSIONE;0.80;1.20;\r\n";
}

QByteArray RecordS(char tipo, quint32 indirizzo, const QByteArray& dati)
{
    const int byteIndirizzo = (tipo == '2' || tipo == '8') ? 3 : (tipo == '3' || tipo == '7') ? 4 : 2;
    const int conta = byteIndirizzo + int(dati.size()) + 1;
    int somma = conta;
    for (int i = 0; i < byteIndirizzo; ++i)
        somma += int((indirizzo >> (8 * i)) & 0xFF);
    for (const char c : dati)
        somma += static_cast<unsigned char>(c);
    QByteArray r = "S";
    r += tipo;
    r += Esa(quint32(conta), 2) + Esa(indirizzo, byteIndirizzo * 2) + dati.toHex().toUpper();
    r += Esa(quint32(0xFF - (somma & 0xFF)), 2) + "\r\n";
    return r;
}

QByteArray MappaF19(const QByteArray& software, const QByteArray& progetto)
{
    // Header: "02", map version "07", software name, "00", day, month, year 2026 as bytes, project code.
    const QByteArray testa = "0207" + software.left(4) + "00" + QByteArray("\x01\x01\x07\xEA", 4) + progetto.left(5);
    QByteArray b = RecordS('0', 0, testa);
    QByteArray dati;
    for (int j = 0; j < 16; ++j)
        dati += char(j * 5 + 1);
    b += RecordS('1', 0x4FA6, dati);
    b += RecordS('9', 0, {});
    return b;
}

QByteArray SoftwareS19(const Software& s)
{
    // The version is stored in the order 0,1,2,5,6,7,8,3,4 of its display form: readers take
    // data bytes 0,1,2,7,8,3,4,5,6.
    const QByteArray d = s.versione;
    const QByteArray grezza = d.mid(0, 3) + d.mid(5, 4) + d.mid(3, 2);
    QByteArray b = RecordS('0', 0, "DEMO " + s.nome);
    const quint32 base = s.s1 ? 0x3000 : 0x10000;
    for (int i = 0; i < 8; ++i) {
        QByteArray dati;
        for (int j = 0; j < 32; ++j)
            dati += char((i * 31 + j * 7 + s.nome.at(s.nome.size() - 1)) & 0xFF);
        b += RecordS(s.s1 ? '1' : '2', base + quint32(i * 32), dati);
    }
    if (s.s1) {
        b += RecordS('1', 0x3FF0, grezza);
        b += RecordS('9', base, {});
    } else {
        b += RecordS('2', 0x03FFEC, grezza);
        b += RecordS('8', base, {});
    }
    return b;
}

QByteArray DescrizioneSoftware(const Software& s)
{
    return s.versione + "\r\nDEMO SOFTWARE " + s.nome + "\r\n";
}

QByteArray SchemaPdf(const QByteArray& titolo)
{
    QByteArray testo;
    for (const char c : "WIRING DIAGRAM " + titolo)
        if (c != '(' && c != ')' && c != '\\')
            testo += c;
    const QByteArray flusso = "BT /F1 18 Tf 50 780 Td (" + testo + ") Tj ET\n";
    const QList<QByteArray> oggetti = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(flusso.size()) + " >>\nstream\n" + flusso + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> posizioni;
    for (int i = 0; i < oggetti.size(); ++i) {
        posizioni.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + oggetti[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(oggetti.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype p : posizioni)
        pdf += QByteArray::number(p).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(oggetti.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
           + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

QByteArray RigaChiave(const char* chiave, const QByteArray& valore)
{
    return Pad(chiave, 20) + ": " + valore + "\r\n";
}

QByteArray FileModelli(const QList<Modello>& modelli)
{
    QByteArray b = "; DEMO MODEL UPDATE - INVENTED DATA\r\n\r\n";
    for (const Modello& m : modelli) {
        b += RigaChiave("MARCA", m.marca);
        b += RigaChiave("MODELLO", m.chiave);
        b += RigaChiave("DESCRIZIONE_MODELLO", m.descrizione);
        b += RigaChiave("VALVOLE_DA_MONTARE", m.valvole);
        if (!m.predefinito.isEmpty())
            b += RigaChiave("TIPO_IMPIANTO", m.predefinito);
        for (int k = 0; k < 3; ++k) {
            if (m.centralina[k].isEmpty())
                continue;
            b += RigaChiave("VERSIONE_CENTR_BENZ", QByteArray::number(k + 1));
            b += RigaChiave("CENTRALINA_BENZINA", m.centralina[k]);
            if (m.tipo.size() > k && m.tipo.at(k) != ' ')
                b += RigaChiave("TIPO_IMPIANTO", QByteArray(1, m.tipo.at(k)));
        }
        b += "END\r\n\r\n";
    }
    return b;
}

QByteArray FileValvole(const QList<Valvola>& valvole)
{
    QByteArray b;
    for (const Valvola& v : valvole) {
        b += RigaChiave("MARCA", "VALVOLE");
        b += RigaChiave("MODELLO", v.cartella);
        b += RigaChiave("CODICE_VALVOLA", v.codice);
        b += RigaChiave("DESCR_TIPO_VALVOLE", v.descrizione);
        b += RigaChiave("FILE_DATI_001", "TABPWM02.PWM");
        b += RigaChiave("FILE_DATI_002", "TABPCM02.PCM");
        b += "END\r\n";
    }
    return b;
}

QByteArray FileSoftware(const QList<Software>& software)
{
    QByteArray b;
    for (const Software& s : software) {
        b += RigaChiave("INIZIO", "\\SOFTWARE\\");
        b += RigaChiave("MARCA", s.famiglia);
        b += RigaChiave("MODELLO", s.cartella);
        b += RigaChiave("FILE_DATI_001", s.nome + ".S19");
        b += "END\r\n";
    }
    return b;
}

bool ScrivoProgramma(const QString& cartella, QString* errore)
{
    // Make catalogues: current layout, except the legacy make in 133/132-character lines.
    QMap<QByteArray, QByteArray> catalogi;
    for (const Modello& m : ModelliProgramma()) {
        QByteArray& c = catalogi[m.marca];
        if (m.marca == MarcaVecchia())
            c += RigaCatalogoVecchia(m, c.isEmpty()) + "\r\n";
        else
            c += RigaCatalogo(m) + "\r\n";
        if (!ScrivoAlbero(cartella, m, errore))
            return false;
    }
    for (auto it = catalogi.cbegin(); it != catalogi.cend(); ++it)
        if (!Scrivo(cartella, S(it.key()) + QStringLiteral(".PRN"), it.value(), errore))
            return false;
    for (const MappaSenzaSoftware& m : MappeSenzaSoftware()) {
        const QString f = S(m.marca) + QLatin1Char('/') + S(m.chiave) + QStringLiteral("/CENTRAL")
                          + QString::number(m.slot) + QStringLiteral("/C_GPL02.F19");
        if (!Scrivo(cartella, f, MappaF19(m.software, "PRJ" + m.software.left(2)), errore))
            return false;
    }

    QByteArray valvole;
    for (const Valvola& v : ValvoleProgramma()) {
        valvole += Pad(v.codice, 4) + Pad(v.cartella, 9) + Pad(v.descrizione, 165) + "\r\n";
        if (!ScrivoTabelle(cartella, v, errore))
            return false;
    }
    if (!Scrivo(cartella, QStringLiteral("VALVOLE.PRN"), valvole, errore))
        return false;
    for (const Software& s : SoftwareProgramma())
        if (!ScrivoSoftware(cartella, s, errore))
            return false;
    if (!QDir().mkpath(cartella + QStringLiteral("/PERSONALIZZATE"))) {
        if (errore)
            *errore = QStringLiteral("cannot create PERSONALIZZATE");
        return false;
    }
    return Scrivo(cartella, QStringLiteral("VERSOFTWARE.DAT"), VersioneDatiProgramma() + "\r\n", errore);
}

bool ScrivoSupporto(const QString& cartella, QString* errore)
{
    const QList<Modello> modelli = ModelliSupporto();
    for (const Modello& m : modelli)
        if (!ScrivoAlbero(cartella, m, errore))
            return false;
    if (!Scrivo(cartella, S(NomeFileModelli()), FileModelli(modelli), errore))
        return false;
    for (const Valvola& v : ValvoleSupporto())
        if (!ScrivoTabelle(cartella, v, errore))
            return false;
    if (!Scrivo(cartella, QStringLiteral("VALVOLE.DAT"), FileValvole(ValvoleSupporto()), errore))
        return false;
    for (const Software& s : SoftwareSupporto())
        if (!ScrivoSoftware(cartella, s, errore))
            return false;
    if (!Scrivo(cartella, QStringLiteral("SOFTWARE.DAT"), FileSoftware(SoftwareSupporto()), errore))
        return false;
    return Scrivo(cartella, QStringLiteral("VERSOFTWARE.DAT"), VersioneDatiSupporto() + "\r\n", errore);
}

} // namespace DemoData
