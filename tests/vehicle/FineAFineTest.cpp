// The vehicle screen against the ECU simulator over a pseudo-terminal: opened by the menu's
// F1, a stored card, the link activated, the ECU's identity saved with the card.
#include "SchermoVeicolo.h"

#include "ecusim/lib/CollegamentoPty.h"
#include "ecusim/lib/EcuModel.h"
#include "platform/PrivateProfile.h"
#include "platform/SerialControl.h"
#include "shell/ZEQ_Inst.h"

namespace {
class FineAFine : public SchermoVeicolo {
protected:
    ecusim::EcuModel ecu;
    std::unique_ptr<ecusim::CollegamentoPty> filo;
    void TearDown() override
    {
        AmbienteLink::TearDown();
        Comunic().setPortOpen(false);
        filo.reset();
    }
};
} // namespace

TEST_F(FineAFine, StoredCardLinkActivatedAndSaved)
{
    ecu.opzioni.periodoMs = 20;
    filo = std::make_unique<ecusim::CollegamentoPty>(ecu, pty->master());
    ScrivoProfilo("SERIALE", "Porta", "COM1", FileConfigurazione());
    apro({{"AB1", "ROSSI MARIO"}});
    v->Scarica();   // the menu opens it again
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Shell.Funzione = 0;
    ZEQ_Inst::Apri().Veicolo = &Veicolo::Apri;
    ZEQ_Inst* menu = ZEQ_Inst::Carica();
    menu->Mostra(false);
    QTest::keyClick(menu, Qt::Key_F1);
    v = Veicolo::Istanza();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(Shell.Funzione, 1);
    EXPECT_FALSE(menu->isEnabled());
    caricoTarga("AB1");
    ASSERT_EQ(StatoVeicolo.MarcaAuto.trimmed(), "AURELIA");
    v->Attivo_Click();
    ASSERT_TRUE(AttendiFinche([] { return Link.Collegato && Link.FaseCom == FASE_LIBERA; }));
    EXPECT_EQ(v->StatoCom->text(), Msg(347));
    // The ECU's dates reach the card, which is marked changed.
    EXPECT_EQ(QStringList({v->AutoImp[0]->text(), v->AutoImp[1]->text(), v->AutoImp[2]->text()}),
              QStringList({"15", "03", "2024"}));
    EXPECT_EQ(v->AutoImp[5]->text(), "2025");
    EXPECT_TRUE(Shell.DatiModificati);
    const int prima = box->conta();
    v->Salva_Click();
    EXPECT_EQ(box->conta(), prima) << box->testi().join("/").toStdString();
    EXPECT_FALSE(Shell.DatiModificati);
    // A search focus shows the link inactive again.
    v->Cliente->setFocus();
    v->Cliente_GotFocus();
    EXPECT_FALSE(Link.Collegato);
    EXPECT_EQ(v->StatoCom->text(), Msg(348));
    {
        RegistroBox no(0);   // the cleared card is not saved
        v->Esci_Click();
    }
    EXPECT_FALSE(Veicolo::Caricato());
    EXPECT_TRUE(menu->isEnabled());
    EXPECT_EQ(righe("TARGA_AUTO = 'AB1       ' AND VERSIONE_CEN = 2 AND VERSIONE_PROG = '02.510' AND "
                    "VERSIONE_ADD = '315' AND MATRICOLA = 'A0012345' AND LOTTO = 'L24011' AND "
                    "DATA_INSTALLO = '2024-03-15' AND DATA_REVISIONE = '2025-03-15'"),
              1);
    menu->Scarica();
    ZEQ_Inst::Apri() = {};
}
