#pragma once
// The pure readers behind the vehicle screen's catalogue choice: the injector-rail list, the
// model list of a make file for a fuel, the petrol-ECU slots a record offers, and the
// map-table version of a map header.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace SceltaCatalogo {

// Rail models of "VALVOLE.PRN": each line trimmed; a line of 14 or more characters gives
// the text from column 14 on (shorter lines give nothing). Windows-1252 text.
QStringList ElencoValvole(const QByteArray& contenuto);

// One listed model: its description (columns 1-41, untrimmed) and its model key.
struct VoceModello {
    QByteArray descrizione;
    QByteArray chiave;
};
// The models of a make file offered for the fuel (1 CNG, any other LPG). A line of 132 or
// 133 characters is a legacy one, decided by its column 133; a current line by its slot flags.
QList<VoceModello> ElencoModelli(const QByteArray& contenuto, int tipoGas);

// Whether a slot with this fuel flag is offered for the fuel (1 CNG, any other LPG).
bool SlotOfferto(char flag, int tipoGas);

// A petrol ECU offered by a record: its 40-character name and its slot (1..3).
struct VoceCentralina {
    QByteArray nome;
    int slot;
};
// The record of the make file whose model key equals chiave (trimmed, case ignored), rebuilt
// in the current layout; false when there is none.
bool RecordModello(const QByteArray& contenuto, const QString& chiave, QByteArray& record);
// The petrol ECUs a current-layout record offers for the fuel.
QList<VoceCentralina> CentralineOfferte(const QByteArray& record, int tipoGas);

// The key a list entry is compared by with what the card stores: its first `larghezza`
// characters (the card's width), trimmed, case ignored.
QString ChiaveVoce(const QString& testo, int larghezza);
// The position of the one entry whose key equals the stored value's, or -1 when none does or
// several do: a name cut to the card's width that fits two entries names neither.
int VoceUnica(const QStringList& voci, const QString& memorizzato, int larghezza);

// Caption of the map-table version from the first line of a ".F19" map: "Tab_Vers. " and
// the number of the two hex-coded characters at 13-16 with a blank for its sign; the bare
// "Tab_Vers. " when the header carries none.
QString VersioneDaIntestazione(const QByteArray& riga);
// Caption from record 2827 of a map value file (its first six characters).
QString VersioneDaRecord(const QByteArray& record);

} // namespace SceltaCatalogo
