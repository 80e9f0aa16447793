#pragma once
// Start-up of the program: program folder, language, second-instance refusal, first form.
#include <QString>

// Runs the start procedure for the program file at percorsoProgramma. Returns false when
// the program must end at once (a second instance was refused, or the program's folder is
// not known: "" or a folder that does not exist, which is reported and nothing is written).
bool Main(const QString& percorsoProgramma);

// The program file: Qt's own answer, else the executable's real path read as bytes and
// decoded with the file-name codec. "" when neither names an existing file that the
// decoded name reaches again (a folder name that is not valid text in that codec).
QString PercorsoProgramma();
// The second step alone: the decoded name of the executable path `byte`, or "".
QString PercorsoDaByte(const QByteArray& byte);

// Connects the main menu's keys to the screens that exist.
void RegistroSchermi();
