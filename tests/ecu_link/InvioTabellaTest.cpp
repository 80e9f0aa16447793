// The replies of the data-image upload and of the installation date, fed to the reply
// processor directly: blocks, resends, the end on R1 / R9 and the aborts.
#include "support/InvioConfigurazione.h"

#include "catalogue/StatoCatalogo.h"
#include "ecu_link/Tabella.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/WorkingMap.h"

#include <QLineEdit>

namespace {

class InvioTabella : public AmbienteInvio {
protected:
    void SetUp() override
    {
        AmbienteInvio::SetUp();
        Tabella.reset();
        FileTabellaDati d;
        d.dirCentralina = dirCentralina;
        d.giorno = "05";
        d.mese = "03";
        d.anno = "2025";
        QString versione;
        ASSERT_TRUE(PreparoFileTabella(d, StatoVeicolo.FileTabella, versione));
        MandoDati::Carica();
        Link.FaseCom = FASE_INVIO_TABELLA;
        Veicolo::ArmoRisposta(10000);
        immagine = ImmagineDemo({{2823, 5}, {2824, 3}, {2825, 2025}, {2826, 0}});
    }
    QByteArray immagine;
};

} // namespace

TEST_F(InvioTabella, EveryBlockGoesOutOnceAndR1EndsTheUpload)
{
    chiudoPressioni();
    ricevo("R6\r\n");
    EXPECT_EQ(v->TempoRisposta(), 5000);
    for (int n = 1; n < 95; ++n)
        ricevo("R5\r\n");
    ASSERT_EQ(scritto.size(), 95);
    QByteArray ricostruita;
    for (int n = 0; n < 95; ++n) {
        ASSERT_EQ(scritto[n], Protocollo::BloccoTabella(immagine, n)) << n;
        ASSERT_EQ(scritto[n].size(), 190);
        EXPECT_EQ(scritto[n][5], n == 94 ? '$' : '0') << n;
        ricostruita += scritto[n].mid(6, 180);
    }
    EXPECT_EQ(ricostruita, immagine);
    // Past the last block nothing more is sent and the watchdog keeps running.
    ricevo("R5\r\n");
    ricevo("R5\r\n");
    EXPECT_EQ(scritto.size(), 95);
    EXPECT_TRUE(v->RispostaAvviata());
    ricevo("R1\r\n");
    EXPECT_EQ(scritto.last(), "MU1\r\n");
    EXPECT_EQ(aperturePressioni, 1);
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_FALSE(v->RispostaAvviata());
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(InvioTabella, R1WritesTheTypedDateOnlyToAnEcuWithoutOne)
{
    const struct { double data; bool scrive; } casi[] = {{DataNessuna, true}, {0.0, true}, {45000.0, false}};
    for (const auto& c : casi) {
        SCOPED_TRACE(c.data);
        chiudoPressioni();
        aperturePressioni = 0;
        MandoDati::Carica();
        scritto.clear();
        DatiCentralina.DataInstallazione = c.data;
        Link.FaseCom = FASE_INVIO_TABELLA;
        v->AutoImp[0]->setText(" 5");
        v->AutoImp[1]->setText("3 ");
        v->AutoImp[2]->setText("2024");
        ricevo("R1\r\n");
        if (c.scrive) {
            EXPECT_EQ(scritto, QByteArrayList{"MUC05032024\r\n"});
            EXPECT_EQ(Link.FaseCom, FASE_DATA_INSTALLAZIONE);
            EXPECT_TRUE(v->RispostaAvviata());
            EXPECT_TRUE(MandoDati::Caricato());
            EXPECT_EQ(aperturePressioni, 0);
            ricevo("R9\r\n");
        }
        EXPECT_EQ(scritto.last(), "MU1\r\n");
        EXPECT_EQ(aperturePressioni, 1);
        EXPECT_FALSE(MandoDati::Caricato());
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_TRUE(v->CollegamentoAvviato());
    }
}

TEST_F(InvioTabella, OneRefusalPerBlockIsResentTheSecondAborts)
{
    ricevo("R6\r\n");
    ricevo("R7\r\n");
    ASSERT_EQ(scritto.size(), 2);
    EXPECT_EQ(scritto[1], scritto[0]);
    ricevo("R5\r\n");
    ricevo("R7\r\n");   // a new block may be refused once again
    ASSERT_EQ(scritto.size(), 4);
    EXPECT_EQ(scritto[3], Protocollo::BloccoTabella(immagine, 1));
    EXPECT_EQ(box->conta(), 0);
    ricevo("R7\r\n");
    EXPECT_EQ(scritto.last(), "MU1\r\n");
    ASSERT_EQ(box->conta(), 1);
    EXPECT_EQ(box->box()[0].testo, Msg(219));
    EXPECT_EQ(box->box()[0].titolo, Msg(142));
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_FALSE(Link.Collegato);
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_FALSE(v->CollegamentoAvviato());
    EXPECT_FALSE(v->RispostaAvviata());
}

TEST_F(InvioTabella, AMissingOrUnusableWorkingFileAbortsAtR6)
{
    const struct { int gas; bool taglio; QString testo; } casi[] = {
        {0, false, "File MOTORO01.QOX not found!"},
        {1, false, "File METANO01.QOX not found!"},
        {0, true, Msg(193)},
    };
    const QString file = StatoVeicolo.FileTabella;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.testo.toStdString());
        MandoDati::Carica();
        BoxHost::PulisciRegistro();
        scritto.clear();
        Link.Collegato = true;
        Link.FaseCom = FASE_INVIO_TABELLA;
        StatoCatalogo.TipoGas = c.gas;
        StatoVeicolo.FileTabella = file;
        if (c.taglio)
            cartella->scrivi("AURELIA/BREZZA12/CENTRAL1/MOTORO01.APP", "000001\r\n");
        else
            StatoVeicolo.FileTabella = file + "X";
        ricevo("R6\r\n");
        EXPECT_EQ(scritto, QByteArrayList{"MU1\r\n"});
        EXPECT_EQ(box->testi(), QStringList{c.testo});
        EXPECT_EQ(box->box().value(0).titolo, Msg(140));
        EXPECT_FALSE(MandoDati::Caricato());
        EXPECT_FALSE(Link.Collegato);
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    }
}

TEST_F(InvioTabella, RepliesOutsideTheirStateChangeNothing)
{
    const struct { const char* riga; int fase; } casi[] = {
        {"R6\r\n", FASE_LIBERA}, {"R5\r\n", FASE_DATA_INSTALLAZIONE}, {"R7\r\n", FASE_ATTIVAZIONE},
        {"R1\r\n", FASE_DATA_INSTALLAZIONE}, {"R9\r\n", FASE_INVIO_TABELLA}, {"R9\r\n", FASE_LIBERA},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.riga);
        Link.FaseCom = c.fase;
        ricevo(c.riga);
        EXPECT_TRUE(scritto.isEmpty());
        EXPECT_EQ(Link.FaseCom, c.fase);
        EXPECT_TRUE(MandoDati::Caricato());
        EXPECT_TRUE(v->RispostaAvviata());
    }
}
