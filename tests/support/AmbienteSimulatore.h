#pragma once
// The program's screens talking to the ECU simulator over a real pseudo-terminal: the
// simulator runs in the test process on the master side, COM1 is the slave.
#include "support/Ambiente.h"

#include "ecusim/lib/CollegamentoPty.h"
#include "ecusim/lib/EcuModel.h"
#include "platform/SerialControl.h"

class AmbienteSimulatore : public AmbienteLink {
protected:
    std::unique_ptr<Pty> pty;
    ecusim::EcuModel ecu;
    std::unique_ptr<ecusim::CollegamentoPty> filo;
    void SetUp() override
    {
        AmbienteLink::SetUp();
        ImpostaOsservatoreUscita(nullptr);
        pty = std::make_unique<Pty>();
        ASSERT_TRUE(pty->ok());
        MappaPorta(1, pty->slavePath());
        ASSERT_EQ(Comunic().setCommPort(1), 0);
        ecu.opzioni.periodoMs = 20;
        filo = std::make_unique<ecusim::CollegamentoPty>(ecu, pty->master());
    }
    void TearDown() override
    {
        AmbienteLink::TearDown();
        FormTimer::ImpostaScalaTempo(1.0);
        Comunic().setPortOpen(false);
        filo.reset();
        pty.reset();
    }
    QList<QByteArray> comandi() const { return ecu.comandiRicevuti(); }
    bool ricevuto(const QByteArray& c, int ms = 20000) { return RicevutoDalSimulatore(ecu, c, 1, ms); }
    // The vehicle screen open and the link activated (identification answered).
    Veicolo* collegato()
    {
        Shell.Funzione = 1;
        Veicolo* v = Veicolo::Carica();
        const int fine = int(comandi().count("MU3"));
        v->Attivo_Click();
        if (!AttendiFinche([] { return Link.Collegato && Link.FaseCom == FASE_LIBERA; }))
            return nullptr;
        // The identification's "MU3" must be in before the log starts afresh.
        if (!RicevutoDalSimulatore(ecu, "MU3", fine + 1))
            return nullptr;
        ecu.svuotaRegistro();
        return v;
    }
};
