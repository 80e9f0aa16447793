#pragma once
// Fixture of the configuration-send tests: the vehicle screen open on a linked type-1 ECU,
// the demo make's map and rail tables on disk and the catalogue choice made (LPG,
// AURELIA / BREZZA12 / CENTRAL1, rail MODEL_1, plate AB123CD). The expected data image is
// computed from the demo generator's values, never by the program's own code.
#include "support/Ambiente.h"

#include "ecusim/lib/CollegamentoPty.h"
#include "ecusim/lib/EcuModel.h"

#include <QMap>

// The 17,100-character image of the demo map of ECU type 1 (LPG) with the rail tables,
// the given records replaced (record -> value).
QByteArray ImmagineDemo(const QMap<int, int>& sostituiti = {});

// The demo map as the ECU's personalised map would hold it: the demo values with the
// 14 personal records changed to 100 + their position, for the copy tests.
QMap<int, int> RecordPersonaliDemo();

// The identity record of a type-1 ECU with a personalised map, installed 05/03/2024 and
// overhauled 06/04/2025, serial and batch in lower case, no error bits.
void IdentitaTipoUno();

// A page of the personal map read-out: "RZ", a blank, page, flag, the 180 characters, its
// checksum and CR LF.
QByteArray PaginaPersonale(int pagina, char segno, const QByteArray& valori180);

class AmbienteInvio : public AmbienteVeicolo {
protected:
    void SetUp() override;
    QString dirCentralina;
    // The catalogue choice, plate and linked type-1 ECU (again after the screen reloads).
    void sceltaVeicolo();
    // Writes the vehicle's personal map (the demo map with RecordPersonaliDemo()) and makes
    // the installation personalised.
    void mappaPersonale();
    // Unloads Pressioni as soon as it is shown modally (while lascioPressioni is false);
    // aperturePressioni counts them.
    void chiudoPressioni();
    int aperturePressioni = 0;
    bool lascioPressioni = false;
};

// The same against the ECU simulator behind the pseudo-terminal: a type-1 ECU that holds no
// installation yet; Pressioni is unloaded as soon as it is shown.
class AmbienteInvioSimulatore : public AmbienteInvio {
protected:
    ecusim::EcuModel ecu;
    std::unique_ptr<ecusim::CollegamentoPty> filo;
    void SetUp() override;
    void TearDown() override;
    QList<QByteArray> comandi() const { return ecu.comandiRicevuti(); }
    // Waits until the simulator has received `c` at least `volte` times.
    bool ricevuto(const QByteArray& c, int volte = 1) { return RicevutoDalSimulatore(ecu, c, volte); }
    // A vehicle screen opened afresh, with the car chosen again.
    void nuovoSchermo();
    // Activates the link from the vehicle screen (until the simulator has the closing "MU3")
    // and types the card's dates again.
    void attivo();
    // The send button's map path with the user confirming; returns when the dialog closed.
    void invio();
    // The user confirms the send dialog as soon as it is shown.
    void confermo();
    // Waits for the end of the exchange (no request pending, no send dialog).
    bool finito(int ms = 60000);
};
