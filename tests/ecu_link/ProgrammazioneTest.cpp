// The flash programming replies in both states: the programming screen (5) and the
// programming image sent from the send dialog (20).
#include "support/InvioConfigurazione.h"

#include "catalogue/StatoFile.h"
#include "ecu_link/Programmazione.h"
#include "ecu_link/Rami.h"
#include "shell/Procedure.h"

#include <QLabel>
#include <QPushButton>

namespace {

class Flash : public AmbienteInvio {
protected:
    // A programming file of three lines with the three line ends, the last one unended.
    void file(const QByteArray& testo = "S0AAA\r\nS1BBB\rS1CCC\nS9DDD")
    {
        cartella->scrivi("SOFTWARE/02/PROVA.S19", testo);
        StatoFile.FileProgrammazione = cartella->file("SOFTWARE/02/PROVA.S19");
    }
    // Starts a transfer in state fase with its screen showing its progress text.
    void avvio(int fase)
    {
        Link.FaseCom = fase;
        Link.Collegato = true;
        StatoFile.NumLinea = 0;
        Shell.PuntatoreMouse = 0;
        ImpostoPuntatore(11);
        if (fase == FASE_PROGRAMMAZIONE_SW) {
            Progsw* p = Progsw::Carica();
            p->setEnabled(false);
            p->LabAgg->setText(Msg(240));
        } else {
            MandoDati* m = MandoDati::Carica();
            m->Segnalazione->setText(Msg(150));
        }
        Veicolo::ArmoRisposta(20000);
        scritto.clear();
    }
    QString didascalia(int fase) const
    {
        if (fase == FASE_PROGRAMMAZIONE_SW)
            return Progsw::Istanza() ? Progsw::Istanza()->LabAgg->text() : QString();
        return MandoDati::Istanza() ? MandoDati::Istanza()->Segnalazione->text() : QString();
    }
    QByteArray riga(const QByteArray& linea, int fase) const
    {
        return fase == FASE_PROGRAMMAZIONE_ULP ? linea.rightJustified(253, '0') + "\r\n" : linea + "\r\n";
    }
};

constexpr int Stati[] = {FASE_PROGRAMMAZIONE_SW, FASE_PROGRAMMAZIONE_ULP};

} // namespace

TEST(RigaFlash, PaddedToTheImageWidthOnlyForTheImage)
{
    const struct { int lunga; bool immagine; int inviata; } casi[] = {
        {253, true, 255}, {252, true, 255}, {10, true, 255}, {0, true, 255},
        {254, true, 256}, {300, true, 302}, {10, false, 12}, {253, false, 255},
    };
    for (const auto& c : casi) {
        const QByteArray linea(c.lunga, 'A');
        const QByteArray r = RigaProgrammazione(linea, c.immagine);
        EXPECT_EQ(r.size(), c.inviata) << c.lunga;
        EXPECT_TRUE(r.endsWith(linea + "\r\n"));
        EXPECT_EQ(r.count('0'), r.size() - c.lunga - 2);
    }
}

TEST(RigaFlash, RecordCounterSplicedBeforeTheLastCharacter)
{
    for (int lingua = 1; lingua <= 4; ++lingua) {
        Shell.Lingua = lingua;
        for (int m : {240, 150}) {
            const QString testo = Msg(m);
            ASSERT_TRUE(testo.endsWith(QLatin1String("      )"))) << lingua << ' ' << m;
            const QString base = testo.left(testo.size() - 6);
            EXPECT_EQ(DidascaliaConRecord(testo, 12), base + "   12)");
            EXPECT_EQ(DidascaliaConRecord(testo, 99999), base + "99999)");
            EXPECT_EQ(DidascaliaConRecord(testo, 123456), base + "23456)");  // last 5 digits
        }
    }
    Shell.Lingua = 4;
    EXPECT_EQ(DidascaliaConRecord("(12)", 7), "(12)");    // too short: left alone
    EXPECT_EQ(DidascaliaConRecord("(    )", 7), "    7)");
}

TEST_F(Flash, LinesSentOnRequestWithTheCounterGoingOn)
{
    for (int fase : Stati) {
        SCOPED_TRACE(fase);
        file();
        avvio(fase);
        ricevo("Fl0\r\n");
        EXPECT_EQ(scritto, QByteArrayList{riga("S0AAA", fase)});
        EXPECT_TRUE(didascalia(fase).endsWith("    1)"));
        EXPECT_TRUE(v->RispostaAvviata());
        EXPECT_EQ(v->TempoRisposta(), 5000);
        ricevo("FW0\r\n");
        ricevo("FW0\r\n");
        ricevo("FW0\r\n");
        EXPECT_EQ(scritto, (QByteArrayList{riga("S0AAA", fase), riga("S1BBB", fase), riga("S1CCC", fase),
                                           riga("S9DDD", fase)}));
        // Past the end nothing is sent and the watchdog started with the last line runs on.
        scritto.clear();
        ricevo("FW0\r\n");
        EXPECT_TRUE(scritto.isEmpty());
        EXPECT_TRUE(v->RispostaAvviata());
        // A second "l0" starts again from the first line; the count goes on.
        ricevo("Fl0\r\n");
        EXPECT_EQ(scritto, QByteArrayList{riga("S0AAA", fase)});
        EXPECT_TRUE(didascalia(fase).endsWith("    5)"));
        EXPECT_TRUE(FileProgrammazioneAperto());
        ScaricoTutto();
        ChiudoFileProgrammazione();
        v = Veicolo::Carica();
    }
}

TEST_F(Flash, CompletionOnTheProgrammingScreenAsksForThePowerCycle)
{
    file();
    avvio(FASE_PROGRAMMAZIONE_SW);
    ricevo("Fl0\r\n");
    ricevo("Fok\r\n");
    Progsw* p = Progsw::Istanza();
    ASSERT_TRUE(p);
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO_SW);
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(p->LabAgg->text(), Msg(247));
    EXPECT_TRUE(p->isEnabled());
    EXPECT_FALSE(p->Tastook[0]->isHidden());
    EXPECT_TRUE(p->TastoSI->isHidden());
    EXPECT_TRUE(p->TastoEsci->isHidden());
    EXPECT_FALSE(FileProgrammazioneAperto());
    EXPECT_FALSE(v->RispostaAvviata());
    // The link watchdog runs, so the ECU being switched off is noticed without frames.
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_EQ(PuntatoreAttuale(), 0);
}

TEST_F(Flash, CompletedImageClosesTheDialogAndOpensThePressures)
{
    file();
    avvio(FASE_PROGRAMMAZIONE_ULP);
    chiudoPressioni();
    ricevo("Fl0\r\n");
    const int beep = ContatoreBeep();
    ricevo("Fok\r\n");
    EXPECT_EQ(aperturePressioni, 1);
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(ContatoreBeep(), beep + 1);
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_FALSE(FileProgrammazioneAperto());
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(Flash, ErrorCodesEndTheTransferInTheCaption)
{
    const struct { QByteArray risposta; int messaggio; } codici[] = {
        {"Fce\r\n", 219}, {"Fee\r\n", 237}, {"Fes\r\n", 238}, {ConChecksum("Frr"), 176}, {"Fer\r\n", 177}, {"Fed\r\n", 178},
    };
    for (int fase : Stati) {
        for (const auto& [r, messaggio] : codici) {
            SCOPED_TRACE(r.constData());
            file();
            avvio(fase);
            ricevo("Fl0\r\n");
            ricevo(r);
            EXPECT_EQ(didascalia(fase), Msg(messaggio));
            EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
            EXPECT_FALSE(Link.Collegato);
            EXPECT_EQ(v->StatoCom->text(), Msg(348));
            EXPECT_FALSE(v->RispostaAvviata());
            EXPECT_FALSE(FileProgrammazioneAperto());
            EXPECT_EQ(PuntatoreAttuale(), 0);
            EXPECT_EQ(box->conta(), 0);
            if (fase == FASE_PROGRAMMAZIONE_SW) {
                Progsw* p = Progsw::Istanza();
                EXPECT_TRUE(p->isEnabled());
                EXPECT_TRUE(p->Tastook[0]->isHidden());
                EXPECT_FALSE(p->Tastook[1]->isHidden());
                EXPECT_TRUE(p->TastoSI->isHidden());
            } else {
                MandoDati* m = MandoDati::Istanza();
                ASSERT_TRUE(m);  // stays open with its message
                EXPECT_FALSE(m->Tastook->isHidden());
                EXPECT_TRUE(m->TastoSIULP->isHidden());
                EXPECT_TRUE(m->TastoNO->isHidden());
            }
            ScaricoTutto();
            v = Veicolo::Carica();
        }
    }
}

TEST_F(Flash, UnopenableFileEndsLikeAnError)
{
    for (int fase : Stati) {
        SCOPED_TRACE(fase);
        StatoFile.FileProgrammazione = cartella->file("SOFTWARE/02/MANCA.S19");
        avvio(fase);
        // Without a file open a line request is ignored, the watchdog running.
        ricevo("FW0\r\n");
        EXPECT_TRUE(scritto.isEmpty());
        EXPECT_TRUE(v->RispostaAvviata());
        ricevo("Fl0\r\n");
        EXPECT_TRUE(scritto.isEmpty());
        EXPECT_EQ(didascalia(fase), Msg(233));
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_FALSE(Link.Collegato);
        EXPECT_FALSE(v->RispostaAvviata());
        if (fase == FASE_PROGRAMMAZIONE_SW) {
            EXPECT_TRUE(Progsw::Istanza()->isEnabled());
        }
        ScaricoTutto();
        v = Veicolo::Carica();
    }
}

TEST_F(Flash, RepliesOutsideTheTransferOrUnknownAreIgnored)
{
    file();
    const struct { int fase; QByteArray risposta; } casi[] = {
        {FASE_LIBERA, "Fl0\r\n"}, {FASE_LETTURA_PRESSIONE, "Fl0\r\n"}, {FASE_SPEGNIMENTO_SW, "Fok\r\n"},
        {FASE_PROGRAMMAZIONE_SW, "Fxx\r\n"}, {FASE_PROGRAMMAZIONE_ULP, "FW1\r\n"}, {FASE_PROGRAMMAZIONE_SW, "F\r\n"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.risposta.constData());
        avvio(FASE_PROGRAMMAZIONE_SW);
        Link.FaseCom = c.fase;
        ricevo(c.risposta);
        EXPECT_TRUE(scritto.isEmpty());
        EXPECT_EQ(Link.FaseCom, c.fase);
        EXPECT_TRUE(Link.Collegato);
        EXPECT_TRUE(v->RispostaAvviata());
        EXPECT_FALSE(FileProgrammazioneAperto());
    }
}
