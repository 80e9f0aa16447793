#include "shell/Modulo.h"
#include "platform/Resources.h"

StatoShell Shell;

QString Msg(int n)
{
    return LeggoMessaggio(IdRisorsa(n));
}
