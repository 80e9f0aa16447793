// Pressure replies (Rd, Re) and parameter replies (Rfr, Rfn, Rfs). Built with the
// calibration and parameter screens; until then they are ignored and the reply watchdog
// covers the exchange.
#include "ecu_link/Rami.h"

void RispostaPressione(const QByteArray&) {}
void RispostaParametri(const QByteArray&) {}
void RispostaParametriSalvati(const QByteArray&) {}
