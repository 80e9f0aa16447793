#include "catalogue/StatoFile.h"

StatoFileRec StatoFile;
