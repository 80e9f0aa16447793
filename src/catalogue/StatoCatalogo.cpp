#include "catalogue/StatoCatalogo.h"

StatoCatalogoRec StatoCatalogo;
