#pragma once
// The Windows code pages of the data files and letter templates: 1252 for most languages,
// 1250 for Polish. Bytes below 0x80 are ASCII; a byte the code page leaves unassigned
// stands for itself.
#include <QByteArray>
#include <QString>

namespace CodePage {
enum Pagina { Windows1250, Windows1252 };
QString Decodifica(const QByteArray& dati, Pagina pagina);
// Characters the code page lacks become "?".
QByteArray Codifica(const QString& testo, Pagina pagina);
} // namespace CodePage
