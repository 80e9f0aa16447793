// PROVISIONAL: weak stand-ins for the catalogue's personalised-map routines until they are
// on main. The catalogue's own definitions take precedence wherever they are linked;
// remove this file (and ProvvisorioCatalogo.h) after merging them.
#include "ecu_link/ProvvisorioCatalogo.h"

#include "shell/Modulo.h"

__attribute__((weak)) StatoCatalogoRec StatoCatalogo;

__attribute__((weak)) QString DescrizioneTipoMappa(int tipo)
{
    return Msg(tipo == 1 ? 119 : 118);
}

// The personalised-map files are left as they are until the catalogue routines land.
__attribute__((weak)) void CancelloMappePersonali() {}
__attribute__((weak)) void ImpostoTipoInstallazione() {}
