#include "shell/Avvio.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!Main(PercorsoProgramma()))
        return 0;
    return app.exec();
}
