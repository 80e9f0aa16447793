#pragma once
// The second-instance refusal: one lock file per program folder.
#include <QString>

// Takes the lock nomeLock in the program folder (Files::CartellaProgramma) and keeps it until
// the program ends. False when another running copy of the program in the same folder holds
// it. A lock left by a copy that died is taken over. When the program folder takes no files the lock goes to
// the temporary folder, under a name made from the program folder; when no lock can be made at
// all, the program is let run (true).
bool AcquisisciIstanzaUnica(const QString& nomeLock);

// Gives back a lock taken by AcquisisciIstanzaUnica (the program's end does it too).
void RilascioIstanzaUnica(const QString& nomeLock);
