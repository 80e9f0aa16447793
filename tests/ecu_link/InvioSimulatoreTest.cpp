// The configuration send end to end: the vehicle screen activates the link with the ECU
// simulator behind a pseudo-terminal, the user confirms the send, the data image goes out
// block by block and the pressure calibration opens; faults of the simulator at each step.
#include "support/InvioConfigurazione.h"

#include "archive/Archivio.h"
#include "catalogue/StatoCatalogo.h"
#include "ecusim/lib/Codifica.h"
#include "platform/Database.h"
#include "vehicle/StatoVeicolo.h"

#include <QLineEdit>

namespace {

class InvioSimulatore : public AmbienteInvioSimulatore {
protected:
    // The send button itself, for a new customer's card typed on the screen.
    void invioScheda()
    {
        v->Cliente->setText("AB123CD");
        StatoVeicolo.TargaCorrente = "AB123CD";
        StatoVeicolo.NuovoCliente = true;
        v->Anagrafe[0]->setText("ROSSI MARIO");
        confermo();
        v->InvioDati_Click();
    }
    QVariant campo(const QString& nome)
    {
        auto db = Db::Database::Apri(Archivi::FileArchivio(), false, true);
        return db->Valore("SELECT " + nome + " FROM CLIENTI WHERE TARGA_AUTO = ?", {Archivi::ChiaveTarga("AB123CD")});
    }
};

} // namespace

TEST_F(InvioSimulatore, TheConfigurationReachesTheEcuAndThePressureScreenOpens)
{
    attivo();
    EXPECT_EQ(box->testi(), QStringList{Msg(241)});
    BoxHost::PulisciRegistro();
    ecu.svuotaRegistro();
    invioScheda();
    ASSERT_TRUE(finito());
    ASSERT_TRUE(AttendiFinche([this] { return aperturePressioni == 1; }));
    EXPECT_EQ(box->conta(), 0) << box->testi().join("|").toStdString();
    ASSERT_TRUE(ecu.immagineCompleta());
    const QByteArray atteso = ImmagineDemo({{2823, 5}, {2824, 3}, {2825, 2025}, {2826, 0}});
    EXPECT_EQ(ecu.immagineDati(), atteso);
    EXPECT_EQ(ecu.immagineDati().mid(16932, 6), "000005");
    ASSERT_TRUE(ricevuto("MU1"));
    const QList<QByteArray> c = comandi();
    ASSERT_GE(c.size(), 98);
    EXPECT_EQ(c.first(), "MU0");
    EXPECT_EQ(c.count("MU1"), 1);
    EXPECT_TRUE(c.contains("MUC05032024"));
    EXPECT_EQ(c.indexOf("MU1"), c.size() - 1);
    EXPECT_EQ(ecu.identita.dataInstallazione, "05032024");
    EXPECT_EQ(ecu.identita.dataRevisione, "05032025");
    EXPECT_EQ(ecu.identita.tipoInstallazione, "00");
    EXPECT_TRUE(Link.Collegato);
    EXPECT_TRUE(AttendiFinche([this] { return v->CollegamentoAvviato(); }));
    // The card was saved, with the ECU's identity, before anything was sent (the screen
    // holds the archive while it is open).
    ScaricoTutto();
    Archivi::ChiudoArchivio();
    EXPECT_EQ(campo("DITTA_NOME").toString().trimmed(), "ROSSI MARIO");
    EXPECT_EQ(campo("VERSIONE_CEN").toInt(), 1);
    EXPECT_EQ(campo("MATRICOLA").toString().trimmed(), "A0012345");
    EXPECT_EQ(campo("LOTTO").toString().trimmed(), "L24011");
}

TEST_F(InvioSimulatore, OlderSoftwareReadsThePersonalisedMapBackAndSendsItsRecords)
{
    ecu.identita.dataInstallazione = "15032024";
    ecu.identita.tipoInstallazione = "01";
    attivo();
    ASSERT_TRUE(AttendiFinche([this] { return !Attesa::Caricato() && v->isEnabled() && Link.FaseCom == FASE_LIBERA; }));
    ASSERT_TRUE(ricevuto("MU3"));
    const QList<QByteArray> c = comandi();
    EXPECT_EQ(c.count("MU2"), 1);
    EXPECT_EQ(c.count("MUA"), 94);
    EXPECT_EQ(c.last(), "MU3");
    QByteArray atteso;
    for (qsizetype p = 0; p < ecu.mappaPersonale.size(); p += 6)
        atteso += ecu.mappaPersonale.mid(p, 6) + "\r\n";
    EXPECT_EQ(cartella->leggi("PERSONALIZZATE/AB123CD/MOTORO01.QOX"), atteso);
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
    // A personalised send carries the 14 records of that map.
    ecu.svuotaRegistro();
    invio();
    ASSERT_TRUE(finito());
    ASSERT_TRUE(ecu.immagineCompleta());
    for (int n : {2775, 2690, 2706, 2776, 2691, 2777, 2692, 2654, 2784, 2700, 2785, 2701, 2786, 2702})
        EXPECT_EQ(ecu.immagineDati().mid((n - 1) * 6, 6), ecu.mappaPersonale.mid((n - 1) * 6, 6)) << n;
    EXPECT_EQ(ecu.identita.tipoInstallazione, "01");
    // The read-out files are gone once the map is in the ECU.
    EXPECT_FALSE(QFile::exists(cartella->file("PERSONALIZZATE/AB123CD/MOTORO01.PRG")));
}

TEST_F(InvioSimulatore, EveryFaultEndsTheSendAsSpecified)
{
    FormTimer::ImpostaScalaTempo(0.1);
    const struct {
        const char* nome;
        QByteArray per;
        int da;
        int volte;
        QByteArray sostituto;
        bool silenzio;
        int messaggio;       // 0: none, the send succeeds
        bool mu1;
        bool collegato;
    } casi[] = {
        {"R0 to MU0", "MU0", 1, 1, "R0", false, 163, false, false},
        {"R2 at block 5", "MZ", 5, 1, "R2", false, 162, false, false},
        {"silence at block 10", "MZ", 10, 1, "", true, 212, true, false},
        {"R7 twice at block 3", "MZ", 3, 2, "R7", false, 219, true, false},
        {"R7 once at block 7", "MZ", 7, 1, "R7", false, 0, true, true},
        {"R5 after the last block", "MZ", 95, 1, "R5", false, 212, true, false},
        {"R1 early", "MZ", 20, 1, "R1", false, 0, true, true},
        {"silence to MU0", "MU0", 1, 1, "", true, 212, true, false},
        {"silence to the date", "MUC", 1, 1, "", true, 212, true, false},
        {"R0 to the date", "MUC", 1, 1, "R0", false, 212, true, false},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        nuovoSchermo();
        ecu.guasti = {};
        ecu.identita.dataInstallazione = "01011900";
        attivo();
        ecu.svuotaRegistro();
        BoxHost::PulisciRegistro();
        ecu.guasti.soloPer = c.per;
        ecu.guasti.daRisposta = c.da;
        ecu.guasti.volte = c.volte;
        ecu.guasti.sostituto = c.sostituto;
        ecu.guasti.silenzio = c.silenzio;
        invio();
        ASSERT_TRUE(finito());
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{Msg(c.messaggio)} : QStringList{});
        if (c.mu1) {
            EXPECT_TRUE(ricevuto("MU1"));
        }
        EXPECT_EQ(comandi().count("MU1"), c.mu1 ? 1 : 0);
        EXPECT_FALSE(comandi().contains("MU3"));
        EXPECT_EQ(Link.Collegato, c.collegato);
        EXPECT_EQ(aperturePressioni, c.messaggio ? 0 : 1);
        EXPECT_FALSE(MandoDati::Caricato());
    }
}

TEST_F(InvioSimulatore, ReadOutFaultsEndWithTheirMessageAndMu3)
{
    FormTimer::ImpostaScalaTempo(0.1);
    QByteArray negativa = ecusim::PaginaRZ(ecu.identita, 5, false, ecu.mappaPersonale.mid(5 * 180, 180));
    negativa = ConChecksum(negativa.left(187).replace(3, 3, "-01"));
    QByteArray bandiera = ecusim::PaginaRZ(ecu.identita, 5, false, ecu.mappaPersonale.mid(5 * 180, 180));
    bandiera = ConChecksum(bandiera.left(187).replace(6, 1, "X"));
    const QByteArray salto = ecusim::PaginaRZ(ecu.identita, 5, true, ecu.mappaPersonale.mid(5 * 180, 180));
    const struct {
        const char* nome;
        QByteArray per;
        int da;
        QByteArray sostituto;
        bool silenzio;
        bool checksum;
        int messaggio;
        bool mu3;
    } casi[] = {
        {"silence at page 5", "MUA", 5, "", true, false, 220, true},
        {"page -01", "MUA", 5, negativa, false, false, 220, true},
        {"flag X", "MUA", 5, bandiera, false, false, 220, true},
        {"bad checksum", "MUA", 3, "", false, true, 220, true},
        {"R0 to MU2", "MU2", 1, "R0", false, false, 163, false},
        {"R2 at page 4", "MUA", 4, "R2", false, false, 162, false},
        {"last page after page 2", "MUA", 3, salto, false, false, 220, true},
    };
    ecu.identita.dataInstallazione = "15032024";
    ecu.identita.tipoInstallazione = "01";
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        nuovoSchermo();
        ecu.svuotaRegistro();
        BoxHost::PulisciRegistro();
        ecu.guasti = {};
        ecu.guasti.soloPer = c.per;
        ecu.guasti.daRisposta = c.da;
        ecu.guasti.volte = 1;
        ecu.guasti.sostituto = c.sostituto;
        ecu.guasti.silenzio = c.silenzio;
        ecu.guasti.checksumErrato = c.checksum;
        Link.Collegato = false;
        v->Attivo_Click();
        ASSERT_TRUE(ricevuto("MU2"));   // the read-out began (its state may already be over)
        ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA && !Attesa::Caricato(); }));
        EXPECT_EQ(box->testi(), QStringList{Msg(c.messaggio)});
        if (c.mu3) {
            EXPECT_TRUE(ricevuto("MU3"));
        }
        EXPECT_EQ(comandi().count("MU3"), c.mu3 ? 1 : 0);
        EXPECT_TRUE(v->isEnabled());
        EXPECT_FALSE(Link.Collegato);
        EXPECT_FALSE(QFile::exists(cartella->file("PERSONALIZZATE/AB123CD/MOTORO01.QOX")));
        EXPECT_TRUE(QDir(cartella->file("PERSONALIZZATE/AB123CD")).isEmpty()) << "no part of the read-out is left";
    }
    // A type-2 ECU cut off in its read-out, later linked again with newer software: the
    // plate's map stays whole when the link is lost.
    const QByteArray mappa = QByteArray("000007\r\n").repeated(2850);
    cartella->scrivi("PERSONALIZZATE/AB123CD/MOTORO02.QOX", mappa);
    ecu.identita.tipoCentralina = "02";
    ecu.identita.versioneSw = "02.400315";
    ecu.guasti = {};
    ecu.guasti.soloPer = "MUA";
    ecu.guasti.daRisposta = 75;
    ecu.guasti.silenzio = true;
    nuovoSchermo();
    v->Attivo_Click();
    ASSERT_TRUE(AttendiFinche([this] { return comandi().count("MUA") >= 75; }, 60000));
    ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA && !Attesa::Caricato(); }, 30000));
    ecu.guasti = {};
    ecu.identita.versioneSw = "02.510315";
    v->Attivo_Click();
    ASSERT_TRUE(AttendiFinche([] { return Link.Collegato && Link.FaseCom == FASE_LIBERA; }, 30000));
    ASSERT_FALSE(DatiCentralina.SwVecchio);
    ecu.spegni();
    ASSERT_TRUE(AttendiFinche([] { return !Link.Collegato; }, 30000));
    EXPECT_EQ(cartella->leggi("PERSONALIZZATE/AB123CD/MOTORO02.QOX"), mappa);
}
