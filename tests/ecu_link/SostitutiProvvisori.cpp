// PROVISIONAL test stand-ins for the catalogue's personalised-map
// routines that are not on main yet. Remove each as soon as its real implementation is
// merged (the link then fails with duplicate definitions as a reminder).
#include "ecu_link/ProvvisorioCatalogo.h"

#include "Sostituti.h"

int ChiamateCancelloMappe = 0;
int ChiamateImpostoTipo = 0;

void CancelloMappePersonali() { ++ChiamateCancelloMappe; }
void ImpostoTipoInstallazione() { ++ChiamateImpostoTipo; }
