#include "SchermoVeicolo.h"

#include "demodata/lib/DemoData.h"
#include "platform/SerialControl.h"

void SchermoVeicolo::SetUp()
{
    AmbienteLink::SetUp();
    ASSERT_TRUE(DemoData::ScrivoProgramma(cartella->path()));
    pty = std::make_unique<Pty>();
    MappaPorta(1, pty->slavePath());
    Shell.Funzione = 1;
}

void SchermoVeicolo::apro(const QList<ClienteProva>& clienti)
{
    Archivi::CreoArchivio();
    {
        auto db = Db::Database::Apri(Archivi::FileArchivio(), true, false);
        auto rs = db->ApriTabella("CLIENTI");
        for (const ClienteProva& c : clienti) {
            rs->AddNew();
            rs->Imposta("TARGA_AUTO", Archivi::ChiaveTarga(c.targa));
            rs->Imposta("TIPO_DITTA", 1);
            rs->Imposta("DITTA_NOME", c.nome);
            rs->Imposta("DATA_INSTALLO", c.installo);
            rs->Imposta("DATA_REVISIONE", c.revisione);
            rs->Imposta("MARCA_AUTO", c.marca);
            rs->Imposta("MODELLO_AUTO", c.modello);
            rs->Imposta("CENTRALINA", c.centralina);
            rs->Imposta("MOD_VALVOLA", c.valvola);
            rs->Imposta("IMPIANTO", c.impianto);
            rs->Imposta("TIPOTAB", c.tipoTab);
            rs->Imposta("TIPO_INSTALLAZIONE", c.tipoInst);
            rs->Imposta("VERSIONE_CEN", 3);
            rs->Imposta("VERSIONE_PROG", "03.10A");
            rs->Imposta("VERSIONE_ADD", "BCD");
            rs->Imposta("MATRICOLA", "SN000123");
            rs->Imposta("LOTTO", "LT0042");
            rs->Update();
        }
        db->Chiudi();
    }
    ASSERT_EQ(Veicolo::Apri(), ZEQ_Inst::Apertura::Aperta);
    v = Veicolo::Istanza();
    ASSERT_NE(v, nullptr);
    // Focus events (the card's fill rules) need the window active.
    v->activateWindow();
    (void)QTest::qWaitForWindowActive(v, 2000);   // offscreen windows may never become active
}

void SchermoVeicolo::caricoTarga(const QString& targa)
{
    v->Cliente->setFocus();
    v->Cliente_GotFocus();
    v->Cliente->setText(targa);
    QTest::keyClick(v->Cliente, Qt::Key_Return);
}

int SchermoVeicolo::righe(const QString& dove)
{
    auto db = Db::Database::Apri(Archivi::FileArchivio(), false, true);
    return db->Valore("SELECT count(*) FROM CLIENTI WHERE " + dove).toInt();
}
