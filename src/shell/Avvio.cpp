#include "shell/Avvio.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QFileInfo>

bool Main(const QString& percorsoProgramma)
{
    Shell.PathApp = QFileInfo(percorsoProgramma).absolutePath();
    QDir::setCurrent(Shell.PathApp);
    return true;
}
