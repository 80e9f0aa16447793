// Pages of the personal map read-out (RZ). Built with the read-out itself; until then a
// page is ignored and the reply watchdog ends the read-out.
#include "ecu_link/Rami.h"

void SalvoPersonale(const QByteArray&) {}
void ChiudoFilePersonale() {}
