#pragma once
// The order of the archive's text keys, registered with the database layer as the SQLite
// collation "ZEQ". Fixed in this program (no locale, no ICU), so an index stored in the file
// keeps its order whatever library is upgraded.
//
// Spanish order at primary strength: letter case and accents do not count, "Ñ" is a letter
// of its own after "N", "CH" and "LL" are plain letter pairs; "Ł" compares as "L", "Ø" as "O",
// "ß" as "SS", "Æ" as "AE". Blanks and punctuation come first, then digits, then letters,
// then any other character by its code, letters of every other alphabet by their simple
// case folding. Trailing blanks do not count. Between keys that are otherwise equal the first
// accent that differs decides (unaccented first); case never decides.
#include <QString>

namespace Collazione {

constexpr const char* Nome = "ZEQ";
// Version of the order, kept in the archive file: indexes built under an older one are
// rebuilt once. 1: case folded in every alphabet.
constexpr int Versione = 1;

// <0, 0, >0.
int Confronta(const QString& a, const QString& b);
int ConfrontaUtf8(const char* a, int na, const char* b, int nb);

// Whether testo begins with prefisso at primary strength ("JOSE" begins "JOSÉ MARÍA").
bool IniziaCon(const QString& testo, const QString& prefisso);

// The lowest key with the same primary letters as chiave (accents removed, upper case):
// seeking ">=" it finds the first key that IniziaCon(…, chiave).
QString ChiaveMinima(const QString& chiave);

// Registers the collation with the database layer (every later connection gets it).
void Registra();

} // namespace Collazione
