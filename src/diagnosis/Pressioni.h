#pragma once
// The pressure-calibration dialog that ends every configuration send: read the pressure the
// ECU measures with both inlets open to the atmosphere ("MUD"), check it against line 4 of
// LIMITI.TXT, store it ("MUE"), have the ECU switched off and on again and confirm with a
// fresh identification that it kept its data. A CNG installation starts at the power cycle.
//
// The step is the set of visible buttons together with FaseCom. The reply processor and the
// reply watchdog change the dialog only through the Mostro... methods below.
#include "platform/Form.h"

#include <QByteArray>
#include <array>

class QLabel;
class QPushButton;

// The pressure limits from line 4 of LIMITI.TXT, read when the dialog opens (0 when not
// read) and compared by the reply processor with the value read.
struct StatoPressioniRec {
    double PressMin = 0;
    double PressMax = 0;
    void reset() { *this = StatoPressioniRec(); }
};
extern StatoPressioniRec StatoPressioni;

// Whether the text of an Rd reply is a reading that may be stored: numeric (blanks around
// it allowed), within PressMin..PressMax (both included) and, times 100, a field of six
// characters at most.
bool PressioneInLimiti(const QByteArray& testo);

class Pressioni : public FormBase, public IstanzaPredefinita<Pressioni> {
    Q_OBJECT
public:
    Pressioni();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("PRESSIONI"); }

    QLabel* LabTar = nullptr;
    std::array<QLabel*, 2> LabDato{};
    QLabel* DatoP = nullptr;
    QLabel* LabInf = nullptr;
    QPushButton* Tastook = nullptr;
    QPushButton* TastoOK1 = nullptr;
    QPushButton* TastoOK2 = nullptr;
    QPushButton* TastoOK3 = nullptr;
    QPushButton* TastoOK4 = nullptr;
    QPushButton* TastoRip = nullptr;
    QPushButton* TastoEsci = nullptr;
    QPushButton* TastoAbbandona = nullptr;

    // Step buttons.
    void Tastook_Click();
    void TastoOK1_Click();
    void TastoRip_Click();
    void TastoEsci_Click();
    void TastoOK2_Click();
    // The ECU was switched on again: the next live frame asks for its identity.
    void TastoOK4_Click();
    void TastoAbbandona_Click();
    void TastoOK3_Click();

    // Reply Rd: the value read (as received) and whether it may be stored.
    void MostroLettura(const QByteArray& testo, bool inLimiti);
    // Reply Re, or the step left without storing: the installer is asked to switch the ECU off.
    void MostroSpegnimento();
    // The identity check after the power cycle is under way: the dialog takes no input.
    void MostroVerificaInCorso() { setEnabled(false); }
    // The identity check after the power cycle has ended (its verdict in the label, or
    // why it did not answer, or that it was given up): the dialog takes input again and
    // only the button that closes is left.
    void MostroVerificaConclusa(const QString& testo);

protected:
    void Form_KeyDown(int& keyCode, int shift) override;

private:
    void LeggoLimitiPressione();
    void InvioRichiesta(const QByteArray& riga, int fase, bool fermaDatiOut);
    void MostroValore(bool visibile);
};
