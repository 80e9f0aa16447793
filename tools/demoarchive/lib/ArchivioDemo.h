#pragma once
// Invented customers for demonstrations and benchmarks, written through the archive's own
// database layer.
#include <QString>

namespace ArchivioDemo {

// Creates (or opens an empty) archive below `cartellaProgramma` and adds `numero` invented
// customers with distinct plates, deterministic for a given seed. Returns the number of
// customers added, or -1 when the archive could not be created or written, or already holds
// customers, which are left as they are (`errore` says why).
int Genera(const QString& cartellaProgramma, int numero, quint32 seme = 1, QString* errore = nullptr);

} // namespace ArchivioDemo
