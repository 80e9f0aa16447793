#include "SchermoVeicolo.h"

#include "demodata/lib/DemoData.h"
#include "platform/SerialControl.h"

#include <QApplication>

LimiteModali::LimiteModali(int ms)
{
    QObject::connect(&m_timer, &QTimer::timeout, [this, ms] {
        m_aperti.removeIf([](const auto& a) { return !a.first || !a.first->InModale() || a.first->Scaricato(); });
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* f = qobject_cast<FormBase*>(w);
            if (!f || !f->InModale() || f->Scaricato())
                continue;
            auto a = std::find_if(m_aperti.begin(), m_aperti.end(), [f](const auto& x) { return x.first == f; });
            if (a == m_aperti.end()) {
                QElapsedTimer t;
                t.start();
                m_aperti.append({f, t});
            } else if (m_superato || a->second.elapsed() > ms) {
                // Once failed, the test ends without waiting again for each form after it.
                if (!m_superato)
                    ADD_FAILURE() << f->NomeForm().toStdString() << " still up after " << ms << " ms";
                m_superato = true;
                f->Scarica();
            }
        }
    });
    m_timer.start(100);
}

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
