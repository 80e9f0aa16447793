#include "support/Schermate.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

void Fotografo(QWidget* w, const QString& nome)
{
    const QString cartella = qEnvironmentVariable("ZEQ_SCREENSHOTS");
    if (cartella.isEmpty())
        return;
    QDir().mkpath(cartella);
    w->grab().save(QDir(cartella).filePath(nome + QStringLiteral(".png")));
}

void TestiInteri(QWidget* f)
{
    f->show();
    f->adjustSize();
    QCoreApplication::processEvents();
    for (QLabel* l : f->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(f) || l->text().isEmpty())
            continue;
        if (l->wordWrap())
            EXPECT_GE(l->height(), l->heightForWidth(l->width())) << l->text().toStdString();
        else
            EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
    }
}
