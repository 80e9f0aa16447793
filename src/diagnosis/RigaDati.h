#pragma once
// The live record and its buffers: the newest row of live values, the ring of recent
// samples and the rows waiting for the recording file "DATI_GRAF.GRF".
#include <QByteArray>
#include <array>

// One sample: 16 values of 8 characters (channel = index) and the sample number.
struct RigaDati {
    std::array<QByteArray, 16> Valore;
    qint32 Numero = 0;
    RigaDati() { Valore.fill(QByteArray(8, ' ')); }
};

struct StatoDiagnosiRec {
    static constexpr int RigheCampioni = 621;
    static constexpr int RigheBufferGraf = 241;
    static constexpr int LungRigaGraf = 138;

    std::array<RigaDati, 2> DatiVideo;           // 0 newest, 1 last drawn
    std::array<RigaDati, RigheCampioni> Campioni; // ring of recent samples
    int IndiceCampioni = -1;                      // newest row of the ring, -1 empty
    std::array<RigaDati, RigheBufferGraf> BufferGraf; // rows not yet recorded
    int NumRighe = -1;                            // last pending row, -1 none
    bool RegistrazioneFallita = false;            // the file could not be written: off until reset

    StatoDiagnosiRec() { DatiVideo[1].Numero = -1; }
    void reset() { *this = StatoDiagnosiRec(); }
};

extern StatoDiagnosiRec Diagnosi;

// A value field: the text padded with blanks on the right, or cut, to 8 characters.
QByteArray Campo8(const QByteArray& testo);

// Takes row 0 of DatiVideo as just filled from a frame: converts channels 6, 8, 11 and 12
// to the units shown, derives channel 14 (channel 0 minus channel 1 when both are
// numeric), tracks every numeric channel's range, numbers the sample and stores it in the
// ring.
void ElaboroDatiMotore();

// Appends the pending rows of BufferGraf to the recording file (one 138-byte line each)
// and empties the buffer. When the file cannot be written, or a sample number no longer
// fits its field, the recording stops until the graphs are reset, the buffer is still
// emptied, and the live screen says so once.
void SalvoDatiGraf();

// Whether a sample number fits the 8 characters of its field in the recording file.
bool NumeroRegistrabile(qint32 numero);
// One 138-byte line of the recording file (the number right-aligned in 8 characters).
QByteArray RigaRegistrazione(const RigaDati& r);

// Starts a new recording: deletes the recording file, clears the rows and buffers, puts
// every axis back to its configured bounds and draws the occupied panes empty.
void AzzeroGrafici();

// Stores row 0 of DatiVideo as the next pending row of BufferGraf, writing the buffer out
// first when it is full.
void AccodoRigaGraf();
