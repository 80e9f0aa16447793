// Replies of the data-image upload and of the installation date (R1, R5, R6, R7, R9).
// Their handling is built with the configuration send; until then they are ignored like
// any reply that no request awaits, and the reply watchdog covers the exchange.
#include "ecu_link/Rami.h"

void MandoTabella(const QByteArray&) {}
