#pragma once
// gsmsim's control channel: one command per line, applied to a GsmModel. Returns "" when
// done, else the error text.
//
//   call connect|busy|nocarrier|none      result of the next ATD
//   delay MS                              from ATD to the result
//   modem ok|error|silent                 how commands are answered
//   i00 TEXT|none                         the station's answer to the identity message
//   drop                                  the carrier is lost
//   catalogue MAKE KEY PRN MAP LIMITS [N] play a catalogue transfer from real files: the
//                                         record of model KEY in catalogue PRN, the map
//                                         (a .F19 goes as S-record lines, anything else as
//                                         values, N per block), the limits file
//   software NAME S19 DESCRIPTION [N]     play a software transfer, N encoded bytes a block
//   fault noise TEXT | onebyte | twoframes | pause INDEX MS | drop-after INDEX |
//         silent-after INDEX | off
#include "gsmsim/lib/GsmModel.h"

#include <QString>

namespace gsmsim {
QString EseguoComando(GsmModel& m, const QString& riga);
} // namespace gsmsim
