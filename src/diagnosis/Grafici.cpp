#include "diagnosis/Grafici.h"

// The graph engine (channel table, unit conversions, auto-range, panes) is built with the
// graph drawing; until then a sample keeps the values as received and nothing is drawn.
void AdattoScaleGrafici() {}
void AzzeroScaleGrafici() {}
