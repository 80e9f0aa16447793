#include "vehicle/StatoVeicolo.h"

#include "catalogue/PersonalMaps.h"
#include "ecu_link/DatiCentralina.h"
#include "shell/Modulo.h"

StatoVeicoloRec StatoVeicolo;

void ImpostoDirPersonal()
{
    StatoVeicolo.DirPersonal = DatiCentralina.SwVecchio ? CartellaVeicolo() : Shell.PathApp;
}
