#pragma once
// Counters of the provisional stand-ins (calls of the personalised-map routines).
extern int ChiamateCancelloMappe;
extern int ChiamateImpostoTipo;
