// The programming screen: what it offers at load, and its buttons through the power cycle.
#include "support/Ambiente.h"
#include "support/Schermate.h"

#include "catalogue/SoftwareLibrary.h"
#include "catalogue/StatoFile.h"
#include "shell/ZEQ_Inst.h"
#include "demodata/lib/DemoData.h"
#include "shell/Procedure.h"
#include "vehicle/StatoVeicolo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {

using ProgswSchermo = AmbienteVeicolo;

QByteArray Software(const char* versione, bool s1 = false)
{
    return DemoData::SoftwareS19({"02", "", "X", versione, s1});
}

} // namespace

TEST_F(ProgswSchermo, LoadOffersTheFirstFileOrSaysWhyNot)
{
    const struct {
        const char* nome;
        int modo, tipo;
        QList<std::pair<QString, QByteArray>> file;
        const char* sw;         // ECU software version as stored
        const char* caric;      // ECU loader version
        int messaggio;
        bool programmabile;     // TastoSI offered
        const char* pc;         // VersSoft(1)
        const char* offerto;    // file chosen ("" none)
    } casi[] = {
        {"no file", 0, 2, {}, "02.510315", "", 233, false, "", ""},
        {"empty description", 0, 2, {{"SOFTWARE/02/A.S19", Software("ZQ3010450")}}, "02.510315", "", 213, false, "", "A.S19"},
        {"loader without version", 1, 2, {{"SOFTWARE/02/KERNEL/K.S19", "S9030000FC\r\n"}}, "", "01.120305", 214, false, "", "K.S19"},
        // ECU VV1234567 is shown VV1672345: characters 4-7 are 6723.
        {"older on the PC", 0, 2, {{"SOFTWARE/02/A.S19", "-"}, {"SOFTWARE/02/A.TXT", "ZQ36722XX\r\n"}}, "VV1234567", "", 360, false, "ZQ36722XX", "A.S19"},
        {"same on the PC", 0, 2, {{"SOFTWARE/02/A.S19", "-"}, {"SOFTWARE/02/A.TXT", "ZQ36723XX\r\n"}}, "VV1234567", "", 236, true, "ZQ36723XX", "A.S19"},
        {"empty ECU version", 0, 2, {{"SOFTWARE/02/A.S19", "-"}, {"SOFTWARE/02/A.TXT", "ZQ30000XX\r\n"}}, "", "", 236, true, "ZQ30000XX", "A.S19"},
        {"older loader", 1, 2, {{"SOFTWARE/02/KERNEL/K.S19", Software("KL1100020", true)}}, "", "01.120305", 360, false, "KL1100020", "K.S19"},
        {"newer loader", 1, 2, {{"SOFTWARE/02/KERNEL/K.S19", Software("KL1130520", true)}}, "", "01.120305", 346, true, "KL1130520", "K.S19"},
        {"type 1: no check", 0, 1, {{"SOFTWARE/01/A.S19", "-"}}, "09.000315", "", 236, true, "", "A.S19"},
        {"two files, case-blind order", 0, 2,
         {{"SOFTWARE/02/b.s19", "-"}, {"SOFTWARE/02/B.TXT", "ZQ39999XX\r\n"}, {"SOFTWARE/02/a.S19", "-"}, {"SOFTWARE/02/a.TXT", "ZQ39998XX\r\n"}},
         "", "", 236, true, "ZQ39998XX", "a.S19"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        QDir(cartella->file("SOFTWARE")).removeRecursively();
        for (const auto& [nome, testo] : c.file)
            cartella->scrivi(nome, testo);
        StatoVeicolo.ModoAggiorna = c.modo;
        DatiCentralina.TipoCentralina = c.tipo;
        DatiCentralina.VersioneSw = c.sw;
        DatiCentralina.VersioneCaric = c.caric;
        StatoFile.FileProgrammazione.clear();
        const int beep = ContatoreBeep();
        Progsw* p = Progsw::Carica();
        EXPECT_EQ(p->windowTitle(), Msg(c.modo ? 350 : 235));
        EXPECT_EQ(p->LabVS[0]->text(), Msg(137));
        EXPECT_EQ(p->LabVS[1]->text(), Msg(138));
        EXPECT_EQ(p->LabAgg->text(), Msg(c.messaggio));
        EXPECT_EQ(ContatoreBeep() - beep, c.programmabile ? 0 : 1);
        EXPECT_EQ(!p->TastoSI->isHidden() && p->TastoSI->isEnabled(), c.programmabile);
        EXPECT_EQ(!p->TastoEsci->isHidden(), c.programmabile);
        EXPECT_EQ(!p->Tastook[1]->isHidden(), !c.programmabile);
        EXPECT_TRUE(p->Tastook[0]->isHidden());
        EXPECT_EQ(p->VersSoft[1]->text(), c.pc);
        EXPECT_EQ(QFileInfo(StatoFile.FileProgrammazione).fileName(), c.offerto);
        // The ECU's version as shown: VV1234567 reordered, the loader's as stored.
        QString ecu;
        if (!QByteArray(c.offerto).isEmpty())
            ecu = c.modo ? QString::fromLatin1(c.caric) : QString::fromLatin1(c.sw) == "VV1234567" ? "VV1672345" : p->VersSoft[0]->text();
        EXPECT_EQ(p->VersSoft[0]->text(), ecu);
        ScaricoTutto();
        v = Veicolo::Carica();
    }
}

TEST_F(ProgswSchermo, StartWritesTheCommandOfItsMode)
{
    cartella->scrivi("SOFTWARE/02/KERNEL/K.S19", Software("KL1130520", true));
    cartella->scrivi("SOFTWARE/02/A.S19", "-");
    cartella->scrivi("SOFTWARE/02/A.TXT", "ZQ39999XX\r\n");
    for (int modo : {0, 1}) {
        SCOPED_TRACE(modo);
        DatiCentralina.TipoCentralina = 2;   // the vehicle screen's load clears the identity
        StatoVeicolo.ModoAggiorna = modo;
        Link.Collegato = true;
        Link.FaseCom = FASE_LIBERA;
        StatoFile.NumLinea = 7;
        Veicolo::AvvioCollegamento();
        Progsw* p = Progsw::Carica();
        scritto.clear();
        p->TastoSI->click();
        EXPECT_EQ(scritto, QByteArrayList{modo ? "MWca\r\n" : "MWin\r\n"});
        EXPECT_EQ(Link.FaseCom, FASE_PROGRAMMAZIONE_SW);
        EXPECT_EQ(StatoFile.NumLinea, 0);
        EXPECT_TRUE(p->LabAgg->text().endsWith("    0)"));
        EXPECT_FALSE(p->isEnabled());
        EXPECT_FALSE(v->CollegamentoAvviato());
        EXPECT_TRUE(v->RispostaAvviata());
        EXPECT_EQ(v->TempoRisposta(), 20000);
        EXPECT_EQ(PuntatoreAttuale(), 11);
        // Disabled during the transfer, the screen ignores its close box.
        p->close();
        EXPECT_TRUE(Progsw::Caricato());
        ScaricoTutto();
        ImpostoPuntatore(0);
        v = Veicolo::Carica();
    }
}

TEST_F(ProgswSchermo, StartWithTheLinkDownSays349AndCloses)
{
    cartella->scrivi("SOFTWARE/02/A.S19", "-");
    DatiCentralina.TipoCentralina = 1;
    Link.Collegato = false;
    Progsw* p = Progsw::Carica();
    scritto.clear();
    p->TastoSI_Click();
    EXPECT_EQ(box->testi(), QStringList{Msg(349)});
    EXPECT_TRUE(scritto.isEmpty());
    EXPECT_FALSE(Progsw::Caricato());
    EXPECT_TRUE(v->CollegamentoAvviato());
}

TEST_F(ProgswSchermo, PowerCycleStepsAndTheWayOut)
{
    DatiCentralina.TipoCentralina = 2;
    Progsw* p = Progsw::Carica();
    p->MostroSpegnimento();
    Link.FaseCom = FASE_SPEGNIMENTO_SW;
    // While the ECU is still on (link up) the switched-off button does nothing.
    Link.Collegato = true;
    p->Tastook_Click(0);
    EXPECT_EQ(p->LabAgg->text(), Msg(247));
    EXPECT_FALSE(p->Tastook[0]->isHidden());
    // The link watchdog saw the ECU go off.
    Link.Collegato = false;
    Link.FaseCom = FASE_LIBERA;
    p->Tastook_Click(0);
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO_SW);
    EXPECT_EQ(p->LabAgg->text(), Msg(206));
    EXPECT_TRUE(p->Tastook[0]->isHidden());
    EXPECT_FALSE(p->TastoOKA->isHidden());
    EXPECT_FALSE(p->TastoAbbandona->isHidden());
    // Switched on but no frames yet: the notice, nothing asked.
    Link.DatiRicevuti = false;
    p->TastoOKA_Click();
    EXPECT_EQ(p->LabAgg->text(), Msg(205));
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO_SW);
    // Frames again: the next frame asks for the identity.
    Link.DatiRicevuti = true;
    p->TastoOKA_Click();
    EXPECT_EQ(Link.FaseCom, FASE_VERIFICA_SW);
    EXPECT_TRUE(Link.InterrogoDati);
    // Giving up instead.
    p->TastoAbbandona_Click();
    EXPECT_EQ(p->LabAgg->text(), Msg(209));
    EXPECT_TRUE(p->TastoOKA->isHidden());
    EXPECT_TRUE(p->TastoAbbandona->isHidden());
    EXPECT_FALSE(p->Tastook[1]->isHidden());
    Veicolo::FermoCollegamento();
    p->Tastook_Click(1);
    EXPECT_FALSE(Progsw::Caricato());
    EXPECT_TRUE(v->CollegamentoAvviato());
}

TEST_F(ProgswSchermo, StepsAndTheSendDialogFitInEveryLanguage)
{
    cartella->scrivi("SOFTWARE/02/KERNEL/K1.S19", Software("KL1130520", true));
    cartella->scrivi("SOFTWARE/02/L0AA/L0AA.S19", Software("ZQ3010450"));
    const char* codici[] = {"pl", "fr", "es", "en"};
    for (int lingua = 1; lingua <= 4; ++lingua) {
        SCOPED_TRACE(lingua);
        const QString l = QLatin1String(codici[lingua - 1]);
        Shell.Lingua = lingua;
        DatiCentralina.TipoCentralina = 2;
        DatiCentralina.VersioneCaric = "01.120305";
        StatoVeicolo.ModoAggiorna = 1;
        Link.Collegato = true;
        Progsw* p = Progsw::Carica();
        ASSERT_EQ(p->LabAgg->text(), Msg(346));
        for (QPushButton* t : {p->TastoSI, p->TastoEsci, p->TastoOKA, p->TastoAbbandona})
            EXPECT_FALSE(t->icon().isNull());
        TestiInteri(p);
        Fotografo(p, "Progsw-question-" + l);
        p->TastoSI_Click();
        p->MostroAvanzamento(128);
        TestiInteri(p);
        Fotografo(p, "Progsw-transfer-" + l);
        p->MostroSpegnimento();
        EXPECT_TRUE(p->TastoSI->isHidden());
        p->MostroVerdetto(239, "KL1130520");
        TestiInteri(p);
        Fotografo(p, "Progsw-verdict-" + l);
        ScaricoTutto();
        ImpostoPuntatore(0);

        MandoDati* m = MandoDati::Carica();
        m->ModoProgrammazione({"7", "L0AA", "ZQ3010450", "PRJ42"});
        TestiInteri(m);
        Fotografo(m, "MandoDati-programming-" + l);
        ScaricoTutto();

        ZEQ_Inst* menu = ZEQ_Inst::Carica();
        QList<QPair<QString, QString>> righe;
        for (const RigaSoftware& r : ElencoSoftware())
            righe.append({r.nome, r.versione});
        menu->MostroElencoSoftware(righe);
        menu->show();
        EXPECT_EQ(menu->GrigliaSW->rowCount(), 2);
        Fotografo(menu, "SoftwareList-" + l);
        menu->Scarica();
        v = Veicolo::Carica();
    }
}
