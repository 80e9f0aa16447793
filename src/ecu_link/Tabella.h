#pragma once
// State of the data-image upload between replies.
#include <QByteArray>

struct StatoTabellaRec {
    QByteArray DatiTabella;   // the image being uploaded (17,100 characters)
    int NumBlocco = 0;        // block last sent, from 0
    int Ritento = 0;          // 1 once the current block has been resent
    void reset() { *this = StatoTabellaRec(); }
};

extern StatoTabellaRec Tabella;

// Number of blocks of an image of the given length (180 characters a block, at least one).
int NumeroBlocchi(qsizetype lunghezza);
