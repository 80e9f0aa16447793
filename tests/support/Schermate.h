#pragma once
// Checks and pictures of whole forms for the language tests.
#include <QString>

class QWidget;

// Saves a picture of the form when ZEQ_SCREENSHOTS names a folder (run under a real or
// virtual display to look at it).
void Fotografo(QWidget* w, const QString& nome);

// Shows the form at its natural size and checks that every visible label shows its whole
// text (wrapped labels may take more lines).
void TestiInteri(QWidget* f);
