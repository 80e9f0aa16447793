#pragma once
// Runtime control of a simulated ECU: one text command per line, one answer line back
// ("ok ..." or "error: ..."). The ecusim tool reads the commands from stdin or from a
// control socket; the tests may call EseguiControllo directly. The commands are listed in
// tools/ecusim/README.md.
#include <QByteArray>
#include <QList>

namespace ecusim {

class EcuModel;

// Splits a command line into words. A word may be quoted with double quotes to hold
// blanks; inside quotes \" \\ \r \n \t and \xHH stand for the character they name.
// Returns false (and fills errore) on an unterminated quote or a bad escape.
bool ParoleComando(const QByteArray& riga, QList<QByteArray>& parole, QByteArray* errore = nullptr);

// Carries out one command line on the model; msSpento is the default off time of a power
// cycle. Returns the answer line without its line end.
QByteArray EseguiControllo(EcuModel& ecu, const QByteArray& riga, int msSpento = 3000);

} // namespace ecusim
