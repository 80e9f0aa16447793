// PROVISIONAL test stand-ins for shell procedures and the catalogue's personalised-map
// routines that are not on main yet. Remove each as soon as its real implementation is
// merged (the link then fails with duplicate definitions as a reminder).
#include "ecu_link/ProvvisorioCatalogo.h"
#include "platform/BoxHost.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include "Sostituti.h"

StatoCatalogoRec StatoCatalogo;
int ChiamateCancelloMappe = 0;
int ChiamateImpostoTipo = 0;

QString DescrizioneTipoMappa(int tipo)
{
    return Msg(tipo == 1 ? 119 : 118);
}
void CancelloMappePersonali() { ++ChiamateCancelloMappe; }
void ImpostoTipoInstallazione() { ++ChiamateImpostoTipo; }

void MostroMessaggio(const QString& testo, const QString& titolo, int tipo)
{
    int risposta = 0;
    BoxHost::Intercetta({QStringLiteral("MessErr"), testo, titolo, tipo}, risposta);
    Shell.RispostaMessaggio = risposta;
}

void SegnaloNonComunica()
{
    int risposta = -1;
    BoxHost::Intercetta({QStringLiteral("SegnalEr"), Msg(205), Msg(140), 0}, risposta);
    Shell.RispostaSegnalEr = risposta;
}

void Attendo(double) {}
