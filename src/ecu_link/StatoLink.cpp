#include "ecu_link/StatoLink.h"

#include "ecu_link/Ricezione.h"
#include "platform/SerialControl.h"

StatoLinkRec Link;

static std::function<void(const QByteArray&)> g_osservatore;

void ImpostaOsservatoreUscita(std::function<void(const QByteArray&)> osservatore)
{
    g_osservatore = std::move(osservatore);
}

void ScrivoCentralina(const QByteArray& riga)
{
    if (g_osservatore)
        g_osservatore(riga);
    if (Comunic().PortOpen())
        Comunic().Output(riga);
}

void Comando(const QByteArray& comando)
{
    ScrivoCentralina(Protocollo::Riga(comando));
}


void CollegoRicezione()
{
    static bool collegato = false;
    if (collegato)
        return;
    collegato = true;
    QObject::connect(&Comunic(), &SerialControl::OnComm, &Comunic(), [] { Comunic_OnComm(); });
}
