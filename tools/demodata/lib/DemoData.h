#pragma once
// Synthetic demo data: an installed program folder and an installer-media folder with
// invented makes, models, maps, rails, software and wiring diagrams. Everything is written
// by the small writers of this file, never by the program's own code, so the tests that use
// these folders as fixtures check the program against an independent writer.
#include <QByteArray>
#include <QList>
#include <QString>

namespace DemoData {

// One car model of a make catalogue.
struct Modello {
    QByteArray marca;          // make (catalogue file name)
    QByteArray chiave;         // model key (folder name)
    QByteArray descrizione;
    QByteArray valvole;        // rails to fit, as text
    QByteArray centralina[3];  // petrol ECU names, empty = no ECU in that slot
    QByteArray tipo;           // three fuel flags ("G", "M", "E", blank)
    QByteArray predefinito;    // update files only: the block's default flag ("" = none)
};

// One injector-rail model.
struct Valvola {
    QByteArray codice;
    QByteArray cartella;       // MODEL_<k>
    QByteArray descrizione;
};

// One software of the library.
struct Software {
    QByteArray famiglia;       // "02"
    QByteArray cartella;       // folder below the family ("" = the family folder itself)
    QByteArray nome;           // file name without extension
    QByteArray versione;       // the 9 characters in display order (as the description shows)
    bool s1 = false;           // version in an S1 record at 3FF0 (loader), else S2 at 03FFEC
};

// A slot folder whose LPG map of ECU type 2 (C_GPL02.F19) names a software that the
// library does not hold.
struct MappaSenzaSoftware {
    QByteArray marca;
    QByteArray chiave;
    int slot = 1;
    QByteArray software;       // 4 characters
};

// What the program folder holds.
QList<Modello> ModelliProgramma();
QByteArray MarcaVecchia();                     // the make kept in the 132/133-character layout
QList<Valvola> ValvoleProgramma();
QList<Software> SoftwareProgramma();
QList<MappaSenzaSoftware> MappeSenzaSoftware();
QByteArray VersioneDatiProgramma();            // first line of VERSOFTWARE.DAT

// What the media hold (imported by the update screen).
QList<Modello> ModelliSupporto();
QList<Valvola> ValvoleSupporto();
QList<Software> SoftwareSupporto();
QByteArray VersioneDatiSupporto();
QByteArray NomeFileModelli();                  // the model update file of the media

// ECU types for which standard maps are written in every slot folder.
QList<int> TipiCentralina();

// Writers (bytes, CR LF line ends).
QByteArray RigaCatalogo(const Modello& m);            // 180 characters, no line end
QByteArray RigaCatalogoVecchia(const Modello& m, bool conFlag); // 133 or 132 characters
int ValoreMappa(int record, int tipoCentralina, bool metano); // value of map record 1..2850
QByteArray MappaValori(int tipoCentralina, bool metano, const QByteArray& intestazione);
int ValorePWM(int riga);                               // line 1..602
int ValorePCM(int riga);                               // line 1..26
QByteArray TabellaPWM();
QByteArray TabellaPCM();
QByteArray Limiti();
QByteArray RecordS(char tipo, quint32 indirizzo, const QByteArray& dati); // with CR LF
QByteArray SoftwareS19(const Software& s);
// A short S-record map: its header names the software and the project code.
QByteArray MappaF19(const QByteArray& software, const QByteArray& progetto);
QByteArray DescrizioneSoftware(const Software& s);
QByteArray SchemaPdf(const QByteArray& titolo);
QByteArray RigaChiave(const char* chiave, const QByteArray& valore); // keyword line of an update file
QByteArray FileModelli(const QList<Modello>& modelli);
QByteArray FileValvole(const QList<Valvola>& valvole);
QByteArray FileSoftware(const QList<Software>& software);

// Writes the folders; false with a reason on the first failure.
bool ScrivoProgramma(const QString& cartella, QString* errore = nullptr);
bool ScrivoSupporto(const QString& cartella, QString* errore = nullptr);

} // namespace DemoData
