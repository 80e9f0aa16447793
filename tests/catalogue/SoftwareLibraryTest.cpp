#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "catalogue/SoftwareLibrary.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// An S-record line written independently of the code under test.
QByteArray riga(const char* tipo, const QByteArray& indirizzo, const QByteArray& dati)
{
    const QByteArray corpo = QByteArray::number(int(indirizzo.size() / 2 + dati.size() / 2 + 1), 16)
                                 .rightJustified(2, '0').toUpper() + indirizzo + dati;
    int somma = 0;
    for (int i = 0; i < corpo.size(); i += 2)
        somma += corpo.mid(i, 2).toInt(nullptr, 16);
    return tipo + corpo + QByteArray::number(255 - (somma & 0xFF), 16).rightJustified(2, '0').toUpper();
}

QByteArray testo(const QList<QByteArray>& righe)
{
    QByteArray t;
    for (const QByteArray& r : righe)
        t += r + "\r\n";
    return t;
}

QList<QByteArray> righeDi(const QByteArray& t)
{
    QList<QByteArray> r;
    for (const QByteArray& l : t.split('\n'))
        if (!l.isEmpty())
            r.append(l.endsWith('\r') ? l.chopped(1) : l);
    return r;
}

QByteArray valori(int n, int v)
{
    QByteArray t;
    for (int i = 0; i < n; ++i)
        t += QByteArray::number(v).rightJustified(6, '0') + "\r\n";
    return t;
}

const QByteArray S2Basso = riga("S2", "010000", "12345678");        // counted
const QByteArray S2Alto = riga("S2", "03FFF8", "0102");             // above the counted range
const QByteArray S1Basso = riga("S1", "3FF0", "41424344454647484900");  // below 0x4000
const QByteArray S1Dispari = riga("S1", "4000", "AABBCC");          // checksum completes the pair

// A program folder with a software library, a model map of version 5 (every other value
// 0) and a rail folder with PWM values 7 and PCM values 3, whose XOR sums are 0.
struct Officina {
    CartellaProgramma app;
    DatiProgrammazione dati;
    QString mappa, uscita;

    Officina(const QByteArray& fine = "S9030000FC")
    {
        QByteArray f19;
        EXPECT_EQ(MappaInF19(valori(2826, 0) + valori(1, 5) + valori(23, 0), QDate(2004, 1, 7), f19), 0);
        app.scrivi("FIAT/PUNTO/CENTRAL1/C_GPL02.F19", f19);
        app.scrivi("VALVOLE/MODEL_1/TABPWM02.PWM", valori(602, 7));
        app.scrivi("VALVOLE/MODEL_1/TABPCM02.PCM", valori(26, 3));
        app.scrivi("SOFTWARE/02/L0AA/L0AA.S19",
                   testo({riga("S0", "0000", "484452"), S2Basso, S2Alto, S1Basso, S1Dispari, fine}));
        app.scrivi("SOFTWARE/02/L0AA/L0AA.ULP", "old image\r\n");
        mappa = app.file("FIAT/PUNTO/CENTRAL1/C_GPL02.F19");
        uscita = app.file("SOFTWARE/02/L0AA/L0AA.ULP");
        dati.DirValvole = app.file("VALVOLE/MODEL_1");
        dati.TipoCentralina = 2;
        dati.TipoInstallazione = 1;
        dati.AutoImp = {"7", "1", "2004", "8", "1", "2030"};
        dati.Oggi = QDate(2026, 12, 8);
    }
    int crea(const QString& nome = "L0AA") { return CreoFileProgrammazione(mappa, nome, uscita, dati); }
};

QStringList fileDi(const QString& cartella)
{
    return QDir(cartella).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(SoftwareLibrary, VersionTextOfASoftwareFile)
{
    const QByteArray s2 = riga("S2", "03FFEC", "41424344454647484900");  // "ABCDEFGHI"
    const QByteArray s1 = riga("S1", "3FF0", "313233343536373839");
    const struct { const char* nome; QByteArray dati; bool s2; const char* atteso; } casi[] = {
        {"S2 record", testo({S2Basso, s2}), true, "ABCHIDEFG"},
        {"S1 record", testo({s1, S2Basso}), false, "123894567"},
        {"missing", testo({S2Basso, S1Dispari}), true, ""},
        {"S1 asked, only S2 there", testo({s2}), false, ""},
        {"truncated record", testo({s2.left(24), s2}), true, ""},   // the first one decides
        {"nine bytes reach into the checksum", testo({riga("S2", "03FFEC", "4142434445464748")}), true, ""},
        {"NUL byte", testo({riga("S2", "03FFEC", "414243444546474800")}), true, ""},
        {"not hex", testo({QByteArray(s2).replace(10, 2, "ZZ")}), true, ""},
        {"lower-case address is another record", testo({QByteArray(s2).replace(4, 6, "03ffec")}), true, ""},
        {"no line end", s2, true, "ABCHIDEFG"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(VersioneSoftware(c.dati, c.s2), QString::fromLatin1(c.atteso)) << c.nome;

    CartellaProgramma app;
    app.scrivi("SOFTWARE/02/KERNEL/K1.S19", testo({s1}));
    EXPECT_EQ(LeggoVersioneS1(app.file("SOFTWARE/02/KERNEL/k1.s19")), "123894567");
    EXPECT_EQ(LeggoVersioneS2(app.file("SOFTWARE/02/KERNEL/K1.S19")), "");
    EXPECT_EQ(LeggoVersioneS2(app.file("SOFTWARE/02/KERNEL/NONE.S19")), "");
}

TEST(SoftwareLibrary, DescriptionBesideTheSoftware)
{
    CartellaProgramma app;
    app.scrivi("SOFTWARE/02/A1.S19", "S9030000FC\r\n");
    app.scrivi("SOFTWARE/02/a1.txt", "  VV1672345  \r\nsecond line\r\n");
    app.scrivi("SOFTWARE/02/B1.S19", "S9030000FC\r\n");
    app.scrivi("SOFTWARE/02/C1.S19", "S9030000FC\r\n");
    app.scrivi("SOFTWARE/02/C1.TXT", "");
    EXPECT_EQ(LeggoDescrizioneSW(app.file("SOFTWARE/02/A1.S19")), "VV1672345");
    EXPECT_EQ(LeggoDescrizioneSW(app.file("SOFTWARE/02/B1.S19")), "");
    EXPECT_EQ(LeggoDescrizioneSW(app.file("SOFTWARE/02/C1.S19")), "");
}

TEST(SoftwareLibrary, DescriptionIsWindows1252AndEndsAtAnyLineEnd)
{
    CartellaProgramma app;
    app.scrivi("SOFTWARE/02/D1.S19", "S9030000FC\r\n");
    app.scrivi("SOFTWARE/02/D1.TXT", " Kit \x80 50 \xE8 \rsecond line\r");
    app.scrivi("SOFTWARE/02/E1.S19", "S9030000FC\r\n");
    app.scrivi("SOFTWARE/02/E1.TXT", "LF ONLY\nsecond\n");
    EXPECT_EQ(LeggoDescrizioneSW(app.file("SOFTWARE/02/D1.S19")), QString::fromUtf8("Kit \u20AC 50 \u00E8"));
    EXPECT_EQ(LeggoDescrizioneSW(app.file("SOFTWARE/02/E1.S19")), "LF ONLY");
}

TEST(SoftwareLibrary, CreoPercorsoMakesEveryMissingFolder)
{
    CartellaProgramma app;
    EXPECT_EQ(CreoPercorso(app.path() + "\\SOFTWARE\\02\\NEW\\"), 0);
    EXPECT_TRUE(QDir(app.path() + "/SOFTWARE/02/NEW").exists());
    EXPECT_EQ(CreoPercorso(" " + app.path() + "/SOFTWARE/02/NEW/DEEPER "), 0);
    EXPECT_TRUE(QDir(app.path() + "/SOFTWARE/02/NEW/DEEPER").exists());
    app.scrivi("FILE", "x");
    EXPECT_EQ(CreoPercorso(app.path() + "/FILE/SUB"), 1);
    EXPECT_EQ(CreoPercorso("   "), 1);
}

TEST(SoftwareLibrary, SoftwareNamedByTheMapHeader)
{
    Officina o;
    QString nome;
    EXPECT_EQ(CercoSoftware(o.mappa, nome, 2), 0);
    EXPECT_EQ(nome, "L0AA");
    EXPECT_EQ(CercoSoftware(o.mappa, nome, 3), 2);  // not in the library of type 03
    EXPECT_EQ(nome, "L0AA");
    EXPECT_EQ(CercoSoftware(o.app.file("NONE.F19"), nome, 2), 1);
    const struct { const char* nome; QByteArray intestazione; } cattivi[] = {
        {"short header", "S0160000303230"},
        {"not hex", "S0160000303230354CZZ41413030"},
        {"name with a separator", "S0160000303230352E2E2F41"},   // "../A"
        {"name of dots", "S01600003032303520202020"},            // all blanks
        {"control character", "S0160000303230354C304100"},
    };
    for (const auto& c : cattivi) {
        o.app.scrivi("X.F19", c.intestazione + "\r\n");
        EXPECT_EQ(CercoSoftware(o.app.file("X.F19"), nome, 2), 1) << c.nome;
    }
}

TEST(ProgrammingImage, ImageOfAKnownMapAndSoftware)
{
    Officina o;
    ASSERT_EQ(o.crea(), 0);
    // From now on only the S-record form of the tables exists.
    EXPECT_EQ(fileDi(o.dati.DirValvole), (QStringList{"TABPCM02.F19", "TABPWM02.F19"}));
    EXPECT_EQ(fileDi(o.app.file("SOFTWARE/02/L0AA")), (QStringList{"L0AA.S19", "L0AA.ULP"}));

    const QList<QByteArray> r = righeDi(o.app.leggi("SOFTWARE/02/L0AA/L0AA.ULP"));
    ASSERT_EQ(r.size(), 1 + 4 + 15 + 1 + 55 + 1 + 1);
    EXPECT_EQ(r[0], "S0160000303230354C3041413030070107D43030303030F1");
    EXPECT_EQ(r.mid(1, 4), (QList<QByteArray>{S2Basso, S2Alto, S1Basso, S1Dispari}));
    EXPECT_TRUE(r[5].startsWith("S1574FA6" + QByteArray("0007").repeated(42)));
    EXPECT_TRUE(r[20].startsWith("S137545A" + QByteArray("0003").repeated(26)));
    EXPECT_TRUE(r[21].startsWith("S1574002"));
    for (const QByteArray& l : r) {
        RecordS rec;
        ASSERT_TRUE(LeggoRecordS(l, rec)) << l.constData();
        EXPECT_TRUE(rec.ChecksumValido) << l.constData();
    }
    // The record at 0x5606: revision day, month, year typed in the future, installation type.
    const QByteArray patch = r[r.size() - 4];
    ASSERT_TRUE(patch.startsWith("S1155606"));
    EXPECT_EQ(patch.mid(24, 16), "0008000107EE0001");
    EXPECT_EQ(patch.mid(40, 4), "0005");  // the map version stays
    // Installation date 7/1/2004 typed without leading zeros.
    EXPECT_EQ(r[r.size() - 2], "S10B800E3037303132303034D8");
    // Sum B: PWM, PCM and map words; sum A adds the software and the date record.
    EXPECT_EQ(r.last(), riga("S9", "", "279E07E3"));
}

TEST(ProgrammingImage, RevisionDateInThePastBecomesToday)
{
    Officina o("S804000000FB");
    o.dati.AutoImp = {"07", "01", "2004", "1", "1", "2000"};
    o.dati.TipoInstallazione = 0;
    ASSERT_EQ(o.crea(), 0);
    const QList<QByteArray> r = righeDi(o.app.leggi("SOFTWARE/02/L0AA/L0AA.ULP"));
    EXPECT_EQ(r[r.size() - 4].mid(24, 16), "0008000C07EA0000");
    EXPECT_TRUE(r.last().startsWith("S805"));  // the software's own end-record type
    // A second build uses the table S-records directly, and reading the software stops at
    // its first end record.
    o.app.scrivi("SOFTWARE/02/L0AA/L0AA.S19", o.app.leggi("SOFTWARE/02/L0AA/L0AA.S19")
                                                  + riga("S2", "010100", "FFFF") + "\r\nS9030000FC\r\n");
    ASSERT_EQ(o.crea(), 0);
    EXPECT_EQ(righeDi(o.app.leggi("SOFTWARE/02/L0AA/L0AA.ULP")), r);
}

TEST(ProgrammingImage, FailuresLeaveTheOldImage)
{
    const QByteArray pwmStorto = riga("S1", "4FA8", "0007");
    const struct {
        const char* nome;
        std::function<void(Officina&)> prepara;
        int codice;
    } casi[] = {
        {"no PWM table", [](Officina& o) { QFile::remove(o.app.file("VALVOLE/MODEL_1/TABPWM02.PWM")); }, 11},
        {"no rail folder", [](Officina& o) { o.dati.DirValvole.clear(); }, 11},
        {"PWM table too short", [](Officina& o) { o.app.scrivi("VALVOLE/MODEL_1/TABPWM02.PWM", valori(601, 7)); }, 12},
        {"PWM records not lined up", [&](Officina& o) { o.app.scrivi("VALVOLE/MODEL_1/TABPWM02.F19", pwmStorto + "\r\n"); }, 12},
        {"no PCM table", [](Officina& o) { QFile::remove(o.app.file("VALVOLE/MODEL_1/TABPCM02.PCM")); }, 13},
        {"PCM table too short", [](Officina& o) { o.app.scrivi("VALVOLE/MODEL_1/TABPCM02.PCM", valori(25, 3)); }, 14},
        {"PCM records not lined up", [](Officina& o) { o.app.scrivi("VALVOLE/MODEL_1/TABPCM02.F19", riga("S1", "4002", "0003") + "\r\n"); }, 14},
        {"software without S0 line", [](Officina& o) { o.app.scrivi("SOFTWARE/02/L0AA/L0AA.S19", testo({S2Basso, "S9030000FC"})); }, 12},
        {"software missing", [](Officina& o) { QFile::remove(o.app.file("SOFTWARE/02/L0AA/L0AA.S19")); }, 99},
        {"map missing", [](Officina& o) { QFile::remove(o.mappa); }, 99},
        {"software without end record", [](Officina& o) { o.app.scrivi("SOFTWARE/02/L0AA/L0AA.S19", testo({riga("S0", "0000", ""), S2Basso})); }, 99},
        {"software line damaged", [](Officina& o) { o.app.scrivi("SOFTWARE/02/L0AA/L0AA.S19", testo({riga("S0", "0000", ""), S2Basso.chopped(1) + "0", "S9030000FC"})); }, 99},
        {"map ends early", [](Officina& o) { o.app.scrivi("FIAT/PUNTO/CENTRAL1/C_GPL02.F19", o.app.leggi("FIAT/PUNTO/CENTRAL1/C_GPL02.F19").left(300)); }, 99},
        {"revision date not a date", [](Officina& o) { o.dati.AutoImp[3] = "31"; o.dati.AutoImp[4] = "2"; }, 99},
        {"revision date empty", [](Officina& o) { o.dati.AutoImp[5] = ""; }, 99},
        {"output cannot be written", [](Officina& o) { o.uscita += ".DIR"; QDir().mkpath(o.uscita); }, 99},
    };
    for (const auto& c : casi) {
        Officina o;
        c.prepara(o);
        EXPECT_EQ(o.crea(), c.codice) << c.nome;
        EXPECT_EQ(o.app.leggi("SOFTWARE/02/L0AA/L0AA.ULP"), "old image\r\n") << c.nome;
        EXPECT_EQ(fileDi(o.app.file("SOFTWARE/02/L0AA")).size(), QFile::exists(o.app.file("SOFTWARE/02/L0AA/L0AA.S19")) ? 2 : 1) << c.nome;
    }
    // A failed table conversion leaves the text form for the next build and no S-record form.
    Officina o;
    o.app.scrivi("VALVOLE/MODEL_1/TABPWM02.PWM", valori(601, 7));
    EXPECT_EQ(o.crea(), 12);
    EXPECT_EQ(fileDi(o.dati.DirValvole), (QStringList{"TABPCM02.PCM", "TABPWM02.PWM"}));
    // A name that is not one path component is never looked up.
    Officina p;
    p.app.scrivi("SOFTWARE/02/L0AA/../L0AA.S19", "S9030000FC\r\n");
    EXPECT_EQ(p.crea(".."), 99);
    EXPECT_EQ(p.crea(""), 99);
}

TEST(ProgrammingImage, WordsCountedInTheSums)
{
    const struct { QByteArray riga; uint32_t somma; } casi[] = {
        {riga("S1", "4000", "AABBCC"), 0xAABB ^ 0xCC88},   // odd: the checksum ends the last pair
        {riga("S1", "4000", "AABB"), 0xAABB},
        {riga("S1", "3FFE", "AABB"), 0},                  // below 0x4000
        {riga("S2", "010000", "1234"), 0x1234},
        {riga("S2", "00FFFF", "1234"), 0},
        {riga("S2", "03FFF7", "1234"), 0x1234},
        {riga("S2", "03FFF8", "1234"), 0},
        {riga("S9", "0000", ""), 0},
        {riga("S3", "00004000", "1234"), 0},
    };
    for (const auto& c : casi) {
        uint32_t somma = 0;
        bool primo = true;
        ASSERT_TRUE(SommoChecksum(c.riga, somma, primo)) << c.riga.constData();
        EXPECT_EQ(somma, c.somma) << c.riga.constData();
        EXPECT_EQ(primo, c.somma == 0) << c.riga.constData();
    }
    uint32_t somma = 0x1111;
    bool primo = false;
    ASSERT_TRUE(SommoChecksum(riga("S1", "4000", "0101"), somma, primo));
    EXPECT_EQ(somma, 0x1010u);
    EXPECT_FALSE(SommoChecksum("S1 garbage", somma, primo));
}
