#include "catalogue/SoftwareLibrary.h"

#include <gtest/gtest.h>

TEST(IntestazioneS0, HexPairsFromTheGivenCharacter)
{
    struct Caso {
        QByteArray riga;
        int posizione, caratteri;
        QByteArray atteso;
    };
    const Caso casi[] = {
        {"S01200005A45303241424344", 13, 2, "02"},
        {"S01200005A45303241424344", 17, 4, "ABCD"},
        {"S01200005A45303", 13, 2, ""},        // too short
        {"S01200005A453G3241", 13, 2, ""},     // not hex
        {"S01200005A45", 13, 0, ""},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(TestoIntestazione(c.riga, c.posizione, c.caratteri), c.atteso) << c.riga.constData();
}

#include "vehicle/SceltaCatalogo.h"

using namespace SceltaCatalogo;

namespace {
// A current record: description, rails, three ECU names, key, flags.
QByteArray riga(const QByteArray& chiave, const QByteArray& flag, const QByteArray& c1 = "ECU ONE",
                const QByteArray& c2 = "ECU TWO", const QByteArray& c3 = "ECU THREE")
{
    return ("MODEL " + chiave).leftJustified(41, ' ') + "   4" + c1.leftJustified(40, ' ') + c2.leftJustified(40, ' ') +
           c3.leftJustified(40, ' ') + chiave.leftJustified(12, ' ') + flag.leftJustified(3, ' ');
}
// A legacy record of 132 characters, or 133 with its one flag.
QByteArray vecchia(const QByteArray& chiave, const char* flag = nullptr)
{
    QByteArray r = ("OLD " + chiave).leftJustified(41, ' ') + "   3" + QByteArray("OLD ECU").leftJustified(25, ' ') +
                   QByteArray(50, ' ') + chiave.leftJustified(12, ' ');
    if (flag)
        r += flag;
    return r;
}
} // namespace

TEST(SceltaCatalogo, FuelRulesOfModelsAndSlots)
{
    const QByteArray file = riga("EGM", "EGM") + "\r\n" + riga("BLANK", "   ") + "\r\n" + riga("GONLY", "G") +
                            "\r\n" + vecchia("OLD132") + "\r\n" + vecchia("OLD133M", "M") + "\r\n" +
                            vecchia("OLD133B", " ") + "\r\n";
    struct Caso {
        int gas;
        QList<QByteArray> modelli;
    };
    const Caso casi[] = {
        {0, {"EGM", "GONLY", "OLD132", "OLD133B"}},
        {1, {"EGM", "OLD133M"}},
    };
    for (const Caso& c : casi) {
        QList<QByteArray> chiavi;
        for (const VoceModello& m : ElencoModelli(file, c.gas))
            chiavi << m.chiave.trimmed();
        EXPECT_EQ(chiavi, c.modelli) << c.gas;
    }
    struct Slot {
        QByteArray chiave;
        int gas;
        QList<int> slot;
    };
    const Slot slot[] = {
        {"EGM", 1, {1, 3}}, {"EGM", 0, {1, 2}}, {"BLANK", 0, {}}, {"OLD132", 0, {1}}, {"OLD132", 1, {}},
        {"OLD133M", 1, {1}}, {"OLD133B", 0, {}}, {"old133b", 1, {}},
    };
    for (const Slot& s : slot) {
        QByteArray record;
        ASSERT_TRUE(RecordModello(file, QString::fromLatin1(s.chiave), record)) << s.chiave.constData();
        EXPECT_EQ(record.size(), 180);
        QList<int> visti;
        for (const VoceCentralina& c : CentralineOfferte(record, s.gas))
            visti << c.slot;
        EXPECT_EQ(visti, s.slot) << s.chiave.constData() << " " << s.gas;
    }
    QByteArray record;
    EXPECT_FALSE(RecordModello(file, "NONE", record));
    // A slot without a name is never offered, whatever its flag.
    EXPECT_TRUE(CentralineOfferte(riga("X", "EEE", "", "B", ""), 0).size() == 1);
    // Any other flag character: LPG only.
    EXPECT_TRUE(SlotOfferto('X', 0));
    EXPECT_FALSE(SlotOfferto('X', 1));
}

TEST(SceltaCatalogo, StrayBytesInsideARecordNeverSplitIt)
{
    // A catalogue of whole records is read record by record: a CR or Ctrl-Z in a description
    // neither splits a model in two nor hides the ones after it.
    QByteArray a = riga("CRKEY", "G"), b = riga("EOFKEY", "G");
    a[10] = '\r';
    b[10] = '\x1a';
    const QByteArray file = a + "\r\n" + b + "\r\n" + riga("LAST", "G") + "\r\n";
    QList<QByteArray> chiavi;
    for (const VoceModello& m : ElencoModelli(file, 0))
        chiavi << m.chiave.trimmed();
    EXPECT_EQ(chiavi, (QList<QByteArray>{"CRKEY", "EOFKEY", "LAST"}));
    QByteArray record;
    EXPECT_TRUE(RecordModello(file, "LAST", record));
}

TEST(SceltaCatalogo, RailLinesFromColumnFourteen)
{
    const QByteArray file = "RA01 MODEL_1 \r\n"           // 13 characters once trimmed: nothing
                            "RA01 MODEL_1 X\r\n"          // 14: a one-character item
                            "  RB02 MODEL_2 RAIL BETA  \r\n"
                            "\r\n";
    EXPECT_EQ(ElencoValvole(file), (QStringList{"X", "RAIL BETA"}));
}

TEST(SceltaCatalogo, MapTableVersionCaption)
{
    struct Caso {
        QByteArray riga;
        QString attesa;
    };
    const Caso casi[] = {
        {"S0120000ZEQ 30324142", "Tab_Vers.  2"},
        {"S0120000ZEQ 31354142", "Tab_Vers.  15"},
        {"S0120000ZEQ 3", "Tab_Vers. "},
        {"S0120000ZEQ ZZ324142", "Tab_Vers. "},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(VersioneDaIntestazione(c.riga), c.attesa) << c.riga.constData();
    EXPECT_EQ(VersioneDaRecord("000007\r\n"), "Tab_Vers. 7");
    EXPECT_EQ(VersioneDaRecord("0A0007\r\n"), "Tab_Vers. 0A0007");
}

#include "archive/Archivio.h"
#include "demoarchive/lib/ArchivioDemo.h"
#include "demodata/lib/DemoData.h"
#include "support/TestSupport.h"

TEST(ArchivioDemo, CustomersDriveCarsOfTheDemoCatalogue)
{
    CartellaProgramma prog;
    ASSERT_EQ(ArchivioDemo::Genera(prog.path(), 60, 3), 60);
    QStringList auto_, valvole;
    for (const DemoData::Modello& m : DemoData::ModelliProgramma())
        auto_ << QString::fromLatin1(m.marca + "|" + m.chiave);
    for (const DemoData::Valvola& v : DemoData::ValvoleProgramma())
        valvole << QString::fromLatin1(v.descrizione.left(25));
    auto db = Db::Database::Apri(Archivi::FileArchivio(), false, true);
    auto sn = db->ApriSnapshot("SELECT trim(MARCA_AUTO) || '|' || trim(MODELLO_AUTO) AS AUTO, trim(MOD_VALVOLA) AS RAIL FROM CLIENTI");
    int righe = 0;
    for (; !sn->EOF_(); sn->MoveNext()) {
        EXPECT_TRUE(auto_.contains(sn->Valore("AUTO").toString())) << sn->Valore("AUTO").toString().toStdString();
        EXPECT_TRUE(valvole.contains(sn->Valore("RAIL").toString())) << sn->Valore("RAIL").toString().toStdString();
        ++righe;
    }
    EXPECT_EQ(righe, 60);
    EXPECT_EQ(db->Valore("SELECT DITTA_NOME FROM CLIENTI WHERE TARGA_AUTO = 'DEMO1     '").toString(), "ROSSI MARIO");
}
