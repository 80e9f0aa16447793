#pragma once
// Private-profile ("INI") files with the semantics of the Windows calls the program was
// designed on (not QSettings): every read opens the file; a missing file, section or key
// gives the default; section and key names compare without regard to case; blanks around
// names and values are trimmed; a present empty key reads "" (length 0); a value is cut at
// 254 characters. A write replaces the value in place, appends a missing key at the end of
// its section or a missing section at the end of the file, keeps every other line byte for
// byte, uses CR LF line ends for the lines it writes, and replaces the file atomically.
#include <QString>

// Reads section/key of file into buffer; returns the length of the value read.
int LeggoProfilo(const QString& sezione, const QString& chiave, const QString& predefinito,
                 QString& buffer, const QString& file);
// Convenience form returning the value.
QString LeggoProfilo(const QString& sezione, const QString& chiave, const QString& predefinito,
                     const QString& file);
// Writes section/key = valore; false when the file could not be written (old file kept).
bool ScrivoProfilo(const QString& sezione, const QString& chiave, const QString& valore,
                   const QString& file);
// Writes several keys in one atomic replace; false when the file could not be written.
struct VoceProfilo { QString sezione, chiave, valore; };
bool ScrivoProfilo(const QList<VoceProfilo>& voci, const QString& file);

// Path of the configuration file "ZEQINST.INI" in the program folder.
QString FileConfigurazione();
