// Pages of the personal map read-out fed to the reply processor: where each page lands in
// the read-out file, which pages count, and how the read-out ends.
#include "support/InvioConfigurazione.h"

#include "catalogue/StatoCatalogo.h"
#include "vehicle/StatoVeicolo.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray Valori(int pagina)
{
    QByteArray b;
    for (int i = 0; i < 30; ++i)
        b += QByteArray::number(pagina * 1000 + i).rightJustified(6, '0');
    return b;
}

class LetturaPersonale : public AmbienteInvio {
protected:
    void SetUp() override
    {
        AmbienteInvio::SetUp();
        Link.FaseCom = FASE_LETTURA_PERSONALE;
        Attesa::Carica()->Mostra(false);
        v->setEnabled(false);
        Veicolo::ArmoRisposta(5000);
    }
    QString prg() const { return "PERSONALIZZATE/AB123CD/MOTORO01.PRG"; }
    QString qox() const { return "PERSONALIZZATE/AB123CD/MOTORO01.QOX"; }
};

} // namespace

TEST_F(LetturaPersonale, PagesLandWhereTheirNumberPutsThemAndTheLastEndsTheReadOut)
{
    // The vehicle folder and its parent are created by the first page.
    QDir(cartella->file("PERSONALIZZATE")).removeRecursively();
    ricevo(PaginaPersonale(1, '0', Valori(1)));
    cartella->scrivi(qox(), "old map\r\n");
    scritto.clear();
    ricevo(PaginaPersonale(1, '0', Valori(1)));
    ricevo(PaginaPersonale(0, '0', Valori(0)));
    EXPECT_EQ(scritto, (QByteArrayList{"MUA\r\n", "MUA\r\n"}));
    EXPECT_TRUE(Attesa::Caricato());
    EXPECT_TRUE(v->RispostaAvviata());
    ricevo(PaginaPersonale(2, '$', Valori(2)));
    QByteArray atteso;
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 30; ++i)
            atteso += QByteArray::number(p * 1000 + i).rightJustified(6, '0') + "\r\n";
    EXPECT_EQ(cartella->leggi(prg()), atteso);
    EXPECT_EQ(cartella->leggi(qox()), atteso);
    EXPECT_EQ(scritto.last(), "MU3\r\n");
    EXPECT_EQ(scritto.count("MU3\r\n"), 1);
    EXPECT_FALSE(Attesa::Caricato());
    EXPECT_TRUE(v->isEnabled());
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_FALSE(v->RispostaAvviata());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(LetturaPersonale, ValuesArePaddedWithZerosSignsKeptAndAReadOutStartsEmpty)
{
    // What a read-out cut short by a crash left behind is no part of the next one.
    cartella->scrivi(prg() + ".PART", QByteArray(100 * 8, '9'));
    QByteArray valori = "  12  " "-00001" "    -1" "      " "123456";
    valori += QByteArray(25 * 6, '7');
    ricevo(PaginaPersonale(0, '0', valori));
    EXPECT_FALSE(QFile::exists(cartella->file(prg()))) << "only a whole read-out is a .PRG";
    ricevo(PaginaPersonale(1, '$', Valori(1)));
    const QByteArray file = cartella->leggi(prg());
    ASSERT_EQ(file.size(), 2 * 30 * 8);
    EXPECT_EQ(file.left(40), "000012\r\n-00001\r\n0000-1\r\n000000\r\n123456\r\n");
    EXPECT_FALSE(QFile::exists(cartella->file(prg() + ".PART")));
}

TEST_F(LetturaPersonale, PagesThatDoNotCountAreIgnored)
{
    const QByteArray buona = PaginaPersonale(3, '0', Valori(3));
    const struct { const char* nome; QByteArray riga; int fase; } casi[] = {
        {"190 characters", buona.left(188) + "\r\n", FASE_LETTURA_PERSONALE},
        {"negative page", PaginaPersonale(0, '0', Valori(0)).replace(3, 3, "-01"), FASE_LETTURA_PERSONALE},
        {"page 999", PaginaPersonale(999, '0', Valori(0)), FASE_LETTURA_PERSONALE},
        {"page 095", PaginaPersonale(95, '$', Valori(0)), FASE_LETTURA_PERSONALE},
        {"flag X", PaginaPersonale(1, 'X', Valori(0)), FASE_LETTURA_PERSONALE},
        {"blank in number", PaginaPersonale(0, '0', Valori(0)).replace(3, 3, " 01"), FASE_LETTURA_PERSONALE},
        {"other state", buona, FASE_ATTIVAZIONE},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        Link.FaseCom = c.fase;
        // Checksum recomputed so that only the page's own fields are wrong.
        QByteArray riga = c.riga;
        if (riga.size() == 191)
            riga = ConChecksum(riga.left(187));
        ricevo(riga);
        EXPECT_TRUE(scritto.isEmpty());
        EXPECT_FALSE(QFile::exists(cartella->file(prg())));
        EXPECT_TRUE(v->RispostaAvviata());
        EXPECT_TRUE(Attesa::Caricato());
        EXPECT_EQ(Link.FaseCom, c.fase);
    }
}

TEST_F(LetturaPersonale, APageThatCannotBeWrittenOrALastPageAfterAGapEndsLikeTheTimeOut)
{
    const struct { const char* nome; bool cartellaOccupata; QList<QByteArray> pagine; QByteArrayList comandi; } casi[] = {
        // The plate's folder cannot be created: a file holds its name.
        {"folder taken", true, {PaginaPersonale(0, '0', Valori(0))}, {"MU3\r\n"}},
        {"page 0 missing", false, {PaginaPersonale(1, '0', Valori(1)), PaginaPersonale(2, '$', Valori(2))},
         {"MUA\r\n", "MU3\r\n"}},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        QDir(cartella->file("PERSONALIZZATE")).removeRecursively();
        if (c.cartellaOccupata)
            cartella->scrivi("PERSONALIZZATE/AB123CD", "not a folder");
        Link.Collegato = true;
        Link.FaseCom = FASE_LETTURA_PERSONALE;
        Attesa::Carica()->Mostra(false);
        v->setEnabled(false);
        Veicolo::ArmoRisposta(5000);
        scritto.clear();
        BoxHost::PulisciRegistro();
        for (const QByteArray& pagina : c.pagine)
            ricevo(pagina);
        EXPECT_EQ(scritto, c.comandi);
        EXPECT_EQ(box->testi(), QStringList{Msg(220)});
        EXPECT_FALSE(Attesa::Caricato());
        EXPECT_TRUE(v->isEnabled());
        EXPECT_FALSE(Link.Collegato);
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_FALSE(v->RispostaAvviata());
        EXPECT_FALSE(QFile::exists(cartella->file(prg())));
        EXPECT_FALSE(QFile::exists(cartella->file(prg() + ".PART")));
    }
}

TEST_F(LetturaPersonale, AMapThatCannotBeReplacedStaysAndTheUserIsTold)
{
    // A folder in place of the map: the copy cannot take its name.
    QDir().mkpath(cartella->file(qox()));
    ricevo(PaginaPersonale(0, '$', Valori(0)));
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_EQ(box->testi(), QStringList{Msg(217)});
    EXPECT_EQ(box->box().value(0).titolo, Msg(140));
    EXPECT_TRUE(QFileInfo(cartella->file(qox())).isDir());
    EXPECT_TRUE(QFile::exists(cartella->file(prg())));
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_TRUE(v->isEnabled());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
}

TEST_F(LetturaPersonale, NoReadOutStartsWithoutAFolderForThePlate)
{
    ScaricoTutto();
    Link.reset();
    v = Veicolo::Carica();   // no card loaded: no plate, no folder
    DatiCentralina.reset();
    scritto.clear();
    v->Attivo_Click();
    ricevo(TramaDCSemplice());
    Identita id;
    id.tipo = "01";
    id.tipoInst = "01";
    id.sw = "09.00AAAA";
    scritto.clear();
    ricevo(id.R8());
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_FALSE(Attesa::Caricato());
    EXPECT_TRUE(v->isEnabled());
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_TRUE(Link.Collegato);
}
