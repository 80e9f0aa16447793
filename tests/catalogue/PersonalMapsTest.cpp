// Life cycle of a vehicle's personalised maps.
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "ecu_link/DatiCentralina.h"
#include "platform/Form.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class MappePersonali : public ::testing::Test {
protected:
    void SetUp() override
    {
        Shell.Lingua = 4;
        StatoCatalogo.reset();
        DatiCentralina.reset();
        DatiCentralina.TipoCentralina = 3;
        StatoCatalogo.TipoGas = 0;
        StatoCatalogo.Cliente = "ab123cd ";
        StatoCatalogo.DirCentralina = prog.path() + "\\AURELIA\\CORSA14\\CENTRAL1";
        prog.scrivi("AURELIA/CORSA14/CENTRAL1/MOTORO03.QOX", "standard lpg\r\n");
    }
    void TearDown() override
    {
        StatoCatalogo.reset();
        DatiCentralina.reset();
    }
    bool C(const QString& rel) const { return QFileInfo::exists(prog.file(rel)); }

    CartellaProgramma prog;
    RegistroBox box;
};

} // namespace

TEST(TargaCartella, OnlyShortAlphanumericPlatesNameAFolder)
{
    const std::pair<QString, QString> casi[] = {
        {" ab123cd ", "AB123CD"}, {"1234567890", "1234567890"}, {"12345678901", ""}, {"..", ""},
        {"", ""},                 {"   ", ""},                   {"AB/12", ""},       {"AB 12", ""},
        {"AB\\12", ""},           {"AB-12", ""},                 {"ÀB12", ""},
    };
    for (const auto& [targa, cartella] : casi)
        EXPECT_EQ(TargaCartella(targa), cartella) << targa.toStdString();
}

TEST_F(MappePersonali, DescriptionOfTheMapType)
{
    EXPECT_EQ(DescrizioneTipoMappa(1), "Personalised");
    EXPECT_EQ(DescrizioneTipoMappa(0), "Standard");
    EXPECT_EQ(DescrizioneTipoMappa(-1), "Standard");
}

TEST_F(MappePersonali, PreparingCopiesTheStandardMapOnceAndRemovesTheTpsTable)
{
    prog.scrivi("PERSONALIZZATE/AB123CD/TABTPS.TPS", "tps");
    QString testo;
    ASSERT_TRUE(CreoMappePersonali(testo, 1));
    EXPECT_EQ(testo, prog.file("PERSONALIZZATE/AB123CD/MOTORO03.QOX"));
    EXPECT_EQ(prog.leggi("PERSONALIZZATE/AB123CD/MOTORO03.QOX"), QByteArray("standard lpg\r\n"));
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD/TABTPS.TPS"));

    // An existing personalised map is kept.
    prog.scrivi("PERSONALIZZATE/AB123CD/MOTORO03.QOX", "edited");
    prog.scrivi("PERSONALIZZATE/AB123CD/TABTPS.TPS", "tps");
    ASSERT_TRUE(CreoMappePersonali(testo, 1));
    EXPECT_EQ(prog.leggi("PERSONALIZZATE/AB123CD/MOTORO03.QOX"), QByteArray("edited"));
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD/TABTPS.TPS"));
    EXPECT_EQ(box.conta(), 0);

    // Any other type removes the vehicle folder.
    ASSERT_TRUE(CreoMappePersonali(testo, 0));
    EXPECT_TRUE(testo.isEmpty());
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD"));
}

TEST_F(MappePersonali, PreparingReportsWhatIsMissing)
{
    struct Caso {
        int ecu;
        int gas;
        QString messaggio;
    };
    const Caso casi[] = {
        {3, 1, "Standard file METANO03.QOX not found!"},
        {9, 0, "Standard file MOTORO09.QOX not found!"},
        {-1, 0, "ECU type not identified!"},
        {12, 0, "ECU type not identified!"},
        {0, 0, "ECU of the Z-WORLD version which cannot be used anymore with this version of software"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.messaggio.toStdString());
        BoxHost::PulisciRegistro();
        DatiCentralina.TipoCentralina = c.ecu;
        StatoCatalogo.TipoGas = c.gas;
        prog.scrivi("PERSONALIZZATE/AB123CD/TABTPS.TPS", "tps");
        const int beep = ContatoreBeep();
        QString testo = "x";
        EXPECT_FALSE(CreoMappePersonali(testo, 1));
        EXPECT_TRUE(testo.isEmpty());
        ASSERT_EQ(box.conta(), 1);
        EXPECT_EQ(box.box()[0].testo, c.messaggio);
        EXPECT_EQ(box.box()[0].titolo, "WARNING!");
        EXPECT_EQ(ContatoreBeep(), beep + 1);
        // The TPS table goes whenever a usable ECU type prepares the map, even on failure.
        EXPECT_EQ(C("PERSONALIZZATE/AB123CD/TABTPS.TPS"), !(c.ecu >= 1 && c.ecu <= 9));
    }
}

TEST_F(MappePersonali, CheckLooksForTheMapOfTheInstallationType)
{
    struct Caso {
        int ecu;
        int gas;
        int tipo;
        bool personale;   // a personalised map is present
        bool esito;
        QString messaggio;
    };
    const Caso casi[] = {
        {3, 0, 0, false, true, ""},
        {3, 1, 0, false, false, "Standard file METANO03.QOX not found!"},
        {3, 0, 1, false, false, "File MOTORO03.QOX not found!"},
        {3, 0, 1, true, true, ""},
        {3, 1, 1, false, false, "File METANO03.QOX not found!"},
        {0, 0, 0, false, false, "ECU of the Z-WORLD version which cannot be used anymore with this version of software"},
        {10, 0, 0, false, false, "ECU type not identified!"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.messaggio.toStdString());
        BoxHost::PulisciRegistro();
        QDir(prog.file("PERSONALIZZATE")).removeRecursively();
        if (c.personale)
            prog.scrivi("PERSONALIZZATE/AB123CD/MOTORO03.QOX", "mine");
        DatiCentralina.TipoCentralina = c.ecu;
        StatoCatalogo.TipoGas = c.gas;
        StatoCatalogo.TipoInstallazione = c.tipo;
        EXPECT_EQ(ControlloMappePersonali(), c.esito);
        if (c.messaggio.isEmpty()) {
            EXPECT_EQ(box.conta(), 0);
        } else {
            ASSERT_EQ(box.conta(), 1);
            EXPECT_EQ(box.box()[0].testo, c.messaggio);
        }
    }
}

TEST_F(MappePersonali, CleaningFollowsTheInstallationType)
{
    prog.scrivi("PERSONALIZZATE/AB123CD/MOTORO03.QOX", "mine");
    prog.scrivi("PERSONALIZZATE/AB123CD/MOTORO03.PRG", "read-out");

    StatoCatalogo.TipoInstallazione = -1;
    CancelloMappePersonali();
    EXPECT_TRUE(C("PERSONALIZZATE/AB123CD/MOTORO03.PRG"));

    StatoCatalogo.TipoInstallazione = 1;
    CancelloMappePersonali();
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD/MOTORO03.PRG"));
    EXPECT_TRUE(C("PERSONALIZZATE/AB123CD/MOTORO03.QOX"));

    StatoCatalogo.TipoInstallazione = 0;
    CancelloMappePersonali();
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD"));
    EXPECT_TRUE(C("PERSONALIZZATE"));
    EXPECT_EQ(box.conta(), 0);
}

TEST_F(MappePersonali, PlatesThatAreNotFolderNamesTouchNothing)
{
    prog.scrivi("PERSONALIZZATE/KEEP.TXT", "keep");
    prog.scrivi("VALUABLE.DAT", "keep");
    for (const QString& targa : {QString(".."), QString("."), QString(""), QString("../.."), QString("A/B")}) {
        SCOPED_TRACE(targa.toStdString());
        StatoCatalogo.Cliente = targa;
        StatoCatalogo.TipoInstallazione = 0;
        CancelloMappePersonali();
        QString testo;
        EXPECT_TRUE(CreoMappePersonali(testo, 0));
        DatiCentralina.TipoInstCentr = 0;
        ImpostoTipoInstallazione();
        EXPECT_TRUE(C("PERSONALIZZATE/KEEP.TXT"));
        EXPECT_TRUE(C("VALUABLE.DAT"));
        // Preparing a personalised map without a vehicle fails with a message, creating nothing.
        BoxHost::PulisciRegistro();
        EXPECT_FALSE(CreoMappePersonali(testo, 1));
        EXPECT_EQ(box.conta(), 1);
        EXPECT_EQ(QDir(prog.file("PERSONALIZZATE")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{"KEEP.TXT"});
    }
}

TEST_F(MappePersonali, EcuReportedTypeIsAdopted)
{
    QStringList etichetta;
    StatoCatalogo.MostroTipoInst = [&](const QString& t) { etichetta << t; };

    // Type 2 means an incomplete transfer: nothing changes, not even the label.
    StatoCatalogo.TipoInstallazione = 0;
    DatiCentralina.TipoInstCentr = 2;
    prog.scrivi("PERSONALIZZATE/AB123CD/MOTORO03.PRG", "read-out");
    ImpostoTipoInstallazione();
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0);
    EXPECT_TRUE(etichetta.isEmpty());

    // Type 1: the read-out replaces the personalised map.
    prog.scrivi("PERSONALIZZATE/AB123CD/motoro03.qox", "old map");
    DatiCentralina.TipoInstCentr = 1;
    ImpostoTipoInstallazione();
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
    EXPECT_EQ(etichetta, QStringList{"Personalised"});
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD/MOTORO03.PRG"));
    const QStringList resto = QDir(prog.file("PERSONALIZZATE/AB123CD")).entryList(QDir::Files);
    ASSERT_EQ(resto.size(), 1);
    EXPECT_EQ(prog.leggi("PERSONALIZZATE/AB123CD/" + resto[0]), QByteArray("read-out"));

    // Type 0: the vehicle folder goes.
    DatiCentralina.TipoInstCentr = 0;
    ImpostoTipoInstallazione();
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0);
    EXPECT_EQ(etichetta.last(), "Standard");
    EXPECT_FALSE(C("PERSONALIZZATE/AB123CD"));
}
