#pragma once
// Start-up of the program: program folder, language, second-instance refusal, first form.
#include <QString>

// Runs the start procedure for the program file at percorsoProgramma. Returns false when
// the program must end at once (a second instance was refused).
bool Main(const QString& percorsoProgramma);

// Connects the main menu's keys to the screens that exist.
void RegistroSchermi();
