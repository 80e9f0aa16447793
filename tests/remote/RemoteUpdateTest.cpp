// Applying a catalogue update staged by the station to the staging catalogue below TEMPOR.
#include "RemoteFixture.h"

#include "catalogue/Catalogue.h"

#include <QDir>
#include <QFile>

namespace {

class RemoteUpdate : public RemoteFixture {
protected:
    void preparo(const QByteArray& record180, const QByteArray& mappa = "MOTORO05")
    {
        cartella->scrivi("TEMPOR/AGGMARCA.NEW", gsmsim::RecordAggMarca("FIAT", record180, mappa) + "\r\n");
        cartella->scrivi("TEMPOR/FILEQOX.NEW", "000001\r\n000002\r\n");
        cartella->scrivi("TEMPOR/LIMITI.NEW", "LIMITS\r\n");
    }
};

} // namespace

TEST_F(RemoteUpdate, RecordsMergeIntoTheStagingCatalogue)
{
    const QByteArray vecchio = RigaCatalogo("PUNTO 1.2", "PUNTO12", {"OLD ONE", "OLD TWO", "OLD THREE"}, "GGG");
    const QByteArray altro = RigaCatalogo("PANDA", "PANDA1");
    const struct {
        const char* nome;
        QByteArray catalogo;   // "" = none yet
        QByteArray record;
        QByteArray mappa;
        QByteArray attesoCatalogo;
        QString attesaMappa;
    } casi[] = {
        {"first update of a make", "", RigaCatalogo("PUNTO 1.2", "PUNTO12"), "MOTORO05",
         RigaCatalogo("PUNTO 1.2", "PUNTO12") + "\r\n", "TEMPOR/FIAT/PUNTO12/CENTRAL1/MOTORO05.QOX"},
        {"a new model is appended", altro + "\r\n", RigaCatalogo("PUNTO 1.2", "PUNTO12"), "C_GPL05",
         altro + "\r\n" + RigaCatalogo("PUNTO 1.2", "PUNTO12") + "\r\n", "TEMPOR/FIAT/PUNTO12/CENTRAL1/C_GPL05.F19"},
        {"blank slots keep the catalogue's names, flags come from the update", vecchio + "\r\n",
         RigaCatalogo("punto 1.2", "PUNTO12", {"", "NEW TWO", ""}, "MEG"), "X1",
         RigaCatalogo("punto 1.2", "PUNTO12", {"OLD ONE", "NEW TWO", "OLD THREE"}, "MEG") + "\r\n",
         "TEMPOR/FIAT/PUNTO12/CENTRAL2/X1"},
        {"keys compared in upper case on both sides", RigaCatalogo("OTHER", "punto12") + "\r\n",
         RigaCatalogo("PUNTO 1.2", "PUNTO12"), "MOTORO05", RigaCatalogo("PUNTO 1.2", "PUNTO12") + "\r\n",
         "TEMPOR/FIAT/PUNTO12/CENTRAL1/MOTORO05.QOX"},
        {"a legacy catalogue is converted first", vecchio.left(45) + QByteArray(75, ' ') + "ABC         \r\n",
         RigaCatalogo("PANDA", "PANDA1"), "MOTORO05",
         RigaConvertita(vecchio.left(45) + QByteArray(75, ' ') + "ABC         ") + "\r\n" +
             RigaCatalogo("PANDA", "PANDA1") + "\r\n",
         "TEMPOR/FIAT/PANDA1/CENTRAL1/MOTORO05.QOX"},
    };
    for (const auto& c : casi) {
        QDir(file("TEMPOR")).removeRecursively();
        if (!c.catalogo.isEmpty())
            cartella->scrivi("TEMPOR/FIAT.PRN", c.catalogo);
        preparo(c.record, c.mappa);
        EXPECT_EQ(AggiornoDaAssistenza(), -1) << c.nome;
        EXPECT_EQ(Leggo(file("TEMPOR/FIAT.PRN")), c.attesoCatalogo) << c.nome;
        EXPECT_EQ(Leggo(file(c.attesaMappa)), "000001\r\n000002\r\n") << c.nome;
        EXPECT_EQ(Leggo(QFileInfo(file(c.attesaMappa)).dir().filePath("LIMITI.TXT")), "LIMITS\r\n") << c.nome;
        for (const char* n : {"AGGMARCA.NEW", "FILEQOX.NEW", "LIMITI.NEW", "APPOGGIO.APP"})
            EXPECT_FALSE(QFile::exists(file(QStringLiteral("TEMPOR/") + n))) << c.nome << n;
        QList<RecordCatalogo> letti;
        EXPECT_TRUE(LeggoCatalogo(file("TEMPOR/FIAT.PRN"), letti)) << c.nome;
    }
}

TEST_F(RemoteUpdate, AChangedKeyMovesTheModelFolderUnlessTheNewOneExists)
{
    cartella->scrivi("TEMPOR/FIAT.PRN", RigaCatalogo("PUNTO 1.2", "OLDKEY") + "\r\n");
    cartella->scrivi("TEMPOR/FIAT/OLDKEY/CENTRAL1/MOTORO05.QOX", "old map");
    preparo(RigaCatalogo("PUNTO 1.2", "NEWKEY"));
    EXPECT_EQ(AggiornoDaAssistenza(), -1);
    EXPECT_FALSE(QFile::exists(file("TEMPOR/FIAT/OLDKEY")));
    EXPECT_EQ(Leggo(file("TEMPOR/FIAT/NEWKEY/CENTRAL1/MOTORO05.QOX")), "000001\r\n000002\r\n");

    const QByteArray catalogo = RigaCatalogo("PUNTO 1.2", "OLDKEY") + "\r\n";
    cartella->scrivi("TEMPOR/FIAT.PRN", catalogo);
    cartella->scrivi("TEMPOR/FIAT/OLDKEY/x", "x");
    preparo(RigaCatalogo("PUNTO 1.2", "NEWKEY"));
    EXPECT_EQ(AggiornoDaAssistenza(), 0);
    EXPECT_EQ(Leggo(file("TEMPOR/FIAT.PRN")), catalogo);
    EXPECT_TRUE(QFile::exists(file("TEMPOR/FILEQOX.NEW")));
}

TEST_F(RemoteUpdate, FailsWithoutItsFilesOrAnEcuSlot)
{
    preparo(RigaCatalogo("PUNTO", "PUNTO12", {"", "", ""}));
    EXPECT_EQ(AggiornoDaAssistenza(), 0);
    for (const char* manca : {"AGGMARCA.NEW", "FILEQOX.NEW", "LIMITI.NEW"}) {
        preparo(RigaCatalogo("PUNTO", "PUNTO12"));
        QFile::remove(file(QStringLiteral("TEMPOR/") + manca));
        EXPECT_EQ(AggiornoDaAssistenza(), 0) << manca;
        EXPECT_FALSE(QFile::exists(file("TEMPOR/FIAT.PRN"))) << manca;
    }
}
