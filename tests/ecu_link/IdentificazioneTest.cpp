// The identification replies by request state.
#include "support/Ambiente.h"

#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "vehicle/StatoVeicolo.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class Identificazione : public AmbienteVeicolo {
protected:
    // The vehicle screen waits for the identity after the first live frame.
    void attivo()
    {
        v->Attivo_Click();
        ricevo(TramaDCSemplice());
        scritto.clear();
    }
};

} // namespace

TEST_F(Identificazione, ActivationSendsMubOnTheFirstFrameOnly)
{
    v->Attivo_Click();
    EXPECT_EQ(scritto, QByteArrayList{"M#\r\n"});
    EXPECT_FALSE(v->isEnabled());
    EXPECT_EQ(Link.FaseCom, FASE_ATTIVAZIONE);
    EXPECT_EQ(v->TempoRisposta(), 2000);
    EXPECT_TRUE(v->RispostaAvviata());
    ricevo(TramaDCSemplice());
    ricevo(TramaDCSemplice());
    EXPECT_EQ(scritto, (QByteArrayList{"M#\r\n", "MUB\r\n"}));
    EXPECT_EQ(v->TempoRisposta(), 5000);
    EXPECT_FALSE(Link.InterrogoDati);
    EXPECT_FALSE(v->CollegamentoAvviato()) << "the reply watchdog is in charge";
    EXPECT_EQ(Diagnosi.DatiVideo[0].Valore[9], "     850");
    EXPECT_EQ(Diagnosi.DatiVideo[0].Valore[15], "G       ");
}

TEST_F(Identificazione, CompleteReplyNewerSoftwareStandardMap)
{
    attivo();
    StatoVeicolo.DirPersonal = cartella->path();
    cartella->scrivi("PERSONALE.PRG", "x");
    Identita id;
    ricevo(id.R8());
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_TRUE(v->isEnabled());
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_FALSE(v->RispostaAvviata());
    EXPECT_EQ(box->conta(), 0);
    EXPECT_FALSE(QFile::exists(cartella->file("PERSONALE.PRG")));
    EXPECT_EQ(v->AutoImp[0]->text(), "15");
    EXPECT_EQ(v->AutoImp[1]->text(), "03");
    EXPECT_EQ(v->AutoImp[2]->text(), "2020");
    EXPECT_EQ(v->AutoImp[3]->text(), "01");
    EXPECT_EQ(v->AutoImp[5]->text(), "2021");
    EXPECT_EQ(v->TipoInst->text(), Msg(118));
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0);
    EXPECT_FALSE(v->Caric_Agg->isHidden());
    EXPECT_TRUE(v->Tasto_Agg->isHidden());
    EXPECT_TRUE(Shell.DatiModificati) << "differs from the empty card";
}

TEST_F(Identificazione, SameEcuAsTheCardLeavesTheCardUnchanged)
{
    Identita id;
    attivo();
    DatiCentralina.TipoCentralina = 3;
    DatiCentralina.Matricola = "sn000123";
    DatiCentralina.Lotto = "LT0042";
    DatiCentralina.VersioneSw = "03.10ABCD";
    v->AutoImp[3]->setText("1");
    v->AutoImp[4]->setText("1");
    v->AutoImp[5]->setText("2021");
    ricevo(id.R8());
    EXPECT_FALSE(Shell.DatiModificati);
}

namespace {

// The card as stored against the identity of the ECU (Identita's defaults).
struct CartaRegistrata {
    const char* nome;
    int tipo;
    const char* matricola;
    const char* lotto;
    const char* versione;
    bool cambiata;
};

class ConfrontoCarta : public Identificazione, public ::testing::WithParamInterface<CartaRegistrata> {};

} // namespace

TEST_P(ConfrontoCarta, EachComparedFieldAloneMarksTheCardChanged)
{
    const CartaRegistrata& c = GetParam();
    attivo();
    DatiCentralina.TipoCentralina = c.tipo;
    DatiCentralina.Matricola = c.matricola;
    DatiCentralina.Lotto = c.lotto;
    DatiCentralina.VersioneSw = c.versione;
    v->AutoImp[3]->setText("1");
    v->AutoImp[4]->setText("1");
    v->AutoImp[5]->setText("2021");
    ricevo(Identita().R8());
    EXPECT_EQ(Shell.DatiModificati, c.cambiata);
}

INSTANTIATE_TEST_SUITE_P(
    Campi, ConfrontoCarta,
    ::testing::Values(CartaRegistrata{"same", 3, "SN000123", "LT0042", "03.10ABCD", false},
                      CartaRegistrata{"blanks_and_case", 3, " sn000123", "lt0042 ", " 03.10abcd ", false},
                      CartaRegistrata{"type", 4, "SN000123", "LT0042", "03.10ABCD", true},
                      CartaRegistrata{"serial", 3, "SN000124", "LT0042", "03.10ABCD", true},
                      CartaRegistrata{"batch", 3, "SN000123", "LT0043", "03.10ABCD", true},
                      CartaRegistrata{"software_version", 3, "SN000123", "LT0042", "03.11ABCD", true}),
    [](const ::testing::TestParamInfo<CartaRegistrata>& i) { return std::string(i.param.nome); });

TEST_F(Identificazione, PersonalisedMapOlderSoftwareStartsTheReadOut)
{
    StatoCatalogo.Cliente = "AB123CD";   // the read-out needs the plate's folder
    attivo();
    Identita id;
    id.tipo = "01";
    id.tipoInst = "01";
    id.sw = "09.00AAAA";
    ricevo(id.R8());
    EXPECT_EQ(scritto, QByteArrayList{"MU2\r\n"});
    EXPECT_EQ(Link.FaseCom, FASE_LETTURA_PERSONALE);
    EXPECT_TRUE(Attesa::Caricato());
    EXPECT_FALSE(v->isEnabled());
    EXPECT_TRUE(v->RispostaAvviata());
    EXPECT_EQ(v->TempoRisposta(), 5000);
    EXPECT_EQ(PuntatoreAttuale(), 11);
    EXPECT_EQ(v->TipoInst->text(), Msg(119));
    EXPECT_FALSE(v->Tasto_Agg->isHidden());
}

TEST_F(Identificazione, PersonalisedMapNewerSoftwareEndsWithMu3)
{
    attivo();
    Identita id;
    id.tipoInst = "01";
    ricevo(id.R8());
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_FALSE(Attesa::Caricato());
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
}

TEST_F(Identificazione, EcuWithoutInstallationDataShows241)
{
    attivo();
    Identita id;
    id.inst = "01011900";
    v->AutoImp[0]->setText("07");
    ricevo(id.R8());
    ASSERT_EQ(box->conta(), 1);
    EXPECT_EQ(box->box()[0].testo, Msg(241));
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_EQ(v->AutoImp[0]->text(), "07");
    EXPECT_TRUE(v->isEnabled());
}

TEST_F(Identificazione, DamagedFieldsShow210AndFallBackToStandard)
{
    attivo();
    Identita id;
    id.tipoInst = "2 ";
    StatoCatalogo.TipoInstallazione = 1;
    ricevo(id.R8());
    ASSERT_EQ(box->conta(), 1);
    EXPECT_EQ(box->box()[0].testo, Msg(210));
    EXPECT_EQ(box->box()[0].titolo, Msg(140));
    EXPECT_EQ(DatiCentralina.TipoInstCentr, 0);
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0);
    EXPECT_EQ(DatiCentralina.ErroriDati, 8);
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_TRUE(Link.Collegato);
}

TEST_F(Identificazione, ShortReplyTypeRules)
{
    const struct { int fase; QByteArray sw, p45; int tipo; } casi[] = {
        {FASE_ATTIVAZIONE, "00.10A", "07", 7},
        {FASE_ATTIVAZIONE, "00.10A", "xx", 2},
        {FASE_ATTIVAZIONE, "02.10A", "09", 2},
        {FASE_VERIFICA_SW, "00.10A", "xx", 1},
        {FASE_VERIFICA_SW, "02.10A", "05", 5},
        {FASE_RICHIESTA_VERSIONE, "03.10A", "xx", 1},
    };
    for (const auto& c : casi) {
        ScaricoTutto();
        Shell.Funzione = c.fase == FASE_RICHIESTA_VERSIONE ? 2 : 1;
        if (c.fase == FASE_RICHIESTA_VERSIONE)
            DatiMotore::Carica();
        else
            Veicolo::Carica();
        Link.FaseCom = c.fase;
        Identita id;
        id.lunga = false;
        id.sw = c.sw;
        id.tipo = c.p45;
        ricevo(id.R4());
        EXPECT_EQ(DatiCentralina.TipoCentralina, c.tipo) << c.fase << " " << c.sw.constData();
        EXPECT_EQ(DatiCentralina.ErroriDati, 14);
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    }
}

TEST_F(Identificazione, ShortReplyOnTheVehicleScreen)
{
    attivo();
    Identita id;
    ricevo(id.R4());
    ASSERT_EQ(box->conta(), 1);
    EXPECT_EQ(box->box()[0].testo, Msg(210));
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(v->TipoInst->text(), Msg(118));
    EXPECT_TRUE(v->CollegamentoAvviato());
}

TEST_F(Identificazione, PressureCheckAfterPowerCycle)
{
    Pressioni* p = Pressioni::Carica();
    const struct { QByteArray risposta; int caption; bool recordTouched; } casi[] = {
        {Identita{}.R8(), 151, true},
        {Identita{.tipo = "X1"}.R8(), 152, true},
        {Identita{}.R4(), 152, false},
    };
    for (const auto& c : casi) {
        DatiCentralina.reset();
        Shell.DatiModificati = false;
        Link.Collegato = true;
        Link.DatiRicevuti = true;  // the ECU is back on: its frames arrive
        p->TastoOK4_Click();
        ricevo(TramaDCSemplice());
        EXPECT_FALSE(p->isEnabled()) << "disabled while the identity is awaited";
        scritto.clear();
        ricevo(c.risposta);
        EXPECT_EQ(p->LabTar->text(), Msg(c.caption));
        EXPECT_TRUE(p->isEnabled());
        EXPECT_FALSE(Link.Collegato);
        EXPECT_EQ(Shell.DatiModificati, c.recordTouched);
        EXPECT_EQ(DatiCentralina.TipoCentralina != -1, c.recordTouched && c.caption == 151);
        EXPECT_FALSE(p->TastoOK3->isHidden());
        EXPECT_TRUE(p->TastoOK4->isHidden());
        EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    }
}

TEST_F(Identificazione, SoftwareCheckAfterProgramming)
{
    Progsw* p = Progsw::Carica();
    const struct { const char* programmata; Identita id; int verdetto; } casi[] = {
        {"", Identita{}, 239},
        {"03.cd10ab", Identita{}, 239},   // shown reordered, compared without case
        {"03.10ABCD", Identita{}, 153},
        {"03.CD10AB", Identita{.tipo = "??"}, 153},
    };
    for (const auto& c : casi) {
        p->VersSoft[1]->setText(QString::fromLatin1(c.programmata));
        Link.FaseCom = FASE_VERIFICA_SW;
        Link.Collegato = true;
        scritto.clear();
        ricevo(c.id.R8());
        EXPECT_EQ(p->LabAgg->text(), Msg(c.verdetto)) << c.programmata;
        EXPECT_EQ(p->VersSoft[0]->text(), "03.CD10AB");
        EXPECT_FALSE(p->Tastook[1]->isHidden());
        EXPECT_TRUE(p->TastoOKA->isHidden());
        EXPECT_FALSE(Link.Collegato);
        EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    }
    // After a loader update the loader's version is judged and shown, stored order.
    StatoVeicolo.ModoAggiorna = 1;
    const struct { const char* programmata; int verdetto; } caricatore[] = {
        {"01.ab0012", 239}, {"01.AB0013", 153}, {"03.CD10AB", 153},   // the software's version is not the loader's
    };
    for (const auto& c : caricatore) {
        p->VersSoft[1]->setText(QString::fromLatin1(c.programmata));
        Link.FaseCom = FASE_VERIFICA_SW;
        ricevo(Identita{}.R8());
        EXPECT_EQ(p->LabAgg->text(), Msg(c.verdetto)) << c.programmata;
        EXPECT_EQ(p->VersSoft[0]->text(), "01.AB0012");
    }
    StatoVeicolo.ModoAggiorna = 0;
}

TEST_F(Identificazione, LiveDataScreenIdentityArmsTheGsmIdentity)
{
    ScaricoTutto();
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    scritto.clear();
    ricevo(TramaDCSemplice());
    EXPECT_EQ(scritto, QByteArrayList{"MUB\r\n"});
    EXPECT_EQ(Link.FaseCom, FASE_RICHIESTA_VERSIONE);
    EXPECT_FALSE(d->isEnabled());
    EXPECT_TRUE(d->RispostaAvviata());
    EXPECT_FALSE(d->CollegamentoAvviato());
    // A second frame while the answer is awaited sends nothing more.
    ricevo(TramaDCSemplice());
    EXPECT_EQ(scritto.size(), 1);
    EXPECT_EQ(Diagnosi.NumRighe, 1);
    Identita id;
    id.tipo = "X7";  // the types are taken whatever the check says
    ricevo(id.R8());
    EXPECT_EQ(scritto.last(), "MU3\r\n");
    EXPECT_EQ(box->conta(), 0);
    EXPECT_TRUE(GSM.PrimoInvioGSM);
    EXPECT_FALSE(Link.InterrogoDati);
    EXPECT_TRUE(d->isEnabled());
    EXPECT_TRUE(d->CollegamentoAvviato());
    EXPECT_FALSE(d->RispostaAvviata());
    EXPECT_EQ(DatiCentralina.TipoCentralina, 0);
    EXPECT_EQ(DatiCentralina.ErroriDati, 1);
}

TEST_F(Identificazione, ClosedScreenIsSkippedButTheStateMoves)
{
    attivo();
    ScaricoTutto();
    ricevo(Identita{}.R8());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
}

TEST_F(Identificazione, StandardMapInTheEcuRemovesThePlatesPersonalisedMaps)
{
    StatoCatalogo.Cliente = QStringLiteral(" ab123cd ");
    cartella->scrivi("PERSONALIZZATE/AB123CD/MOTORO02.QOX", "x");
    cartella->scrivi("PERSONALIZZATE/ZZ999ZZ/MOTORO02.QOX", "x");
    attivo();
    Identita id;   // standard map stored in the ECU
    ricevo(id.R8());
    EXPECT_FALSE(QFile::exists(cartella->file("PERSONALIZZATE/AB123CD")));
    EXPECT_TRUE(QFile::exists(cartella->file("PERSONALIZZATE/ZZ999ZZ/MOTORO02.QOX")));
    StatoCatalogo.Cliente.clear();
}
