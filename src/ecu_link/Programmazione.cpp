// Flash programming replies ("F" and a code). Built with the programming screen; until
// then they are ignored and the reply watchdog covers the transfer.
#include "ecu_link/Rami.h"

void RispostaProgrammazione(const QByteArray&) {}
void ChiudoFileProgrammazione() {}
