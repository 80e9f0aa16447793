#pragma once
// The message table and the pictures compiled into the program. Text n of language L is
// resource (L-1)*500+n; pictures 101-153 follow the same rule, 3000-3013 are common.
// The table is one UTF-8 file per language (resources/messages/<code>.txt): one entry per
// line, the number, a tab, the text; "\n" stands for a line break and "\\" for a backslash.
#include <QHash>
#include <QPixmap>
#include <QString>

class QWidget;

// Text of string resource id; "" when there is none.
QString LeggoMessaggio(int id);

// Loads picture resource id into the control's picture (button icon with the same picture
// pressed and disabled, label pixmap or the image of an Immagine control); a missing picture or a refusing control leaves it
// unchanged and reports nothing.
void CaricoImmagine(int id, QWidget* controllo);

class QAbstractButton;

// Sets a picture button's normal, pressed and disabled pictures explicitly (0: the normal
// picture), so the style never greys or shifts the picture by itself. The pressed picture
// shows while the button is held down. A missing normal picture leaves the button unchanged.
void ImmaginiTasto(QAbstractButton* tasto, int normale, int premuto = 0, int disabilitato = 0);

// Picture resource id rendered at the given size; a null pixmap when there is none.
QPixmap PixmapRisorsa(int id, const QSize& dimensione);

// Whether picture resource id exists.
bool EsisteImmagine(int id);

namespace Risorse {
// Language code of the files of language l (1 pl, 2 fr, 3 es, 4 en); "" outside 1..4.
QString CodiceLingua(int lingua);
// Parses one message file; used by the loader and by the tests.
QHash<int, QString> AnalizzaTabella(const QByteArray& contenuto);
// Resource path of picture id (":/pictures/<code>/<n>.svg" or ":/pictures/common/<id>.svg").
QString PercorsoImmagine(int id);
} // namespace Risorse
