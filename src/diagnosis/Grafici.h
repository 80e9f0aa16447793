#pragma once
// Entry points of the graph engine used by the live-data path: the channel unit
// conversions and auto-range of each new sample, and the reset of the channel table and
// panes for a new recording. Completed with the graph drawing.
void AdattoScaleGrafici();
void AzzeroScaleGrafici();
