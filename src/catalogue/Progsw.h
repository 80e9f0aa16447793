#pragma once
// The ECU programming screen: rewrites the ECU's software (ModoAggiorna 0) or its loader
// (1) from the library folder SOFTWARE/<nn> (or its KERNEL folder), guides the installer
// through the power cycle after the transfer and shows the verdict of the version check.
// The reply processor changes it only through its Mostro... methods.
#include "platform/Form.h"

#include <array>

class QLabel;
class QPushButton;

class Progsw : public FormBase, public IstanzaPredefinita<Progsw> {
    Q_OBJECT
public:
    Progsw();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("PROGSW"); }

    QLabel* LabAgg = nullptr;                 // progress and verdict caption
    std::array<QLabel*, 2> LabVS{};           // captions of the two versions
    std::array<QLabel*, 2> VersSoft{};        // 0 installed version, 1 version on the PC
    QPushButton* TastoSI = nullptr;
    QPushButton* TastoEsci = nullptr;
    std::array<QPushButton*, 2> Tastook{};    // 0 the ECU is off, 1 close
    QPushButton* TastoOKA = nullptr;
    QPushButton* TastoAbbandona = nullptr;

    void TastoSI_Click();
    void TastoEsci_Click();
    void Tastook_Click(int indice);
    void TastoOKA_Click();
    void TastoAbbandona_Click();

    // The transfer has sent line n.
    void MostroAvanzamento(int n);
    // The transfer ended on an error: the text in the caption, only the close button left.
    void MostroErrore(const QString& testo);
    // The transfer is complete: the installer is asked to switch the ECU off.
    void MostroSpegnimento();
    // The ECU is being asked for its new version: the screen waits, disabled.
    void MostroVerificaInCorso() { setEnabled(false); }
    // The version check after the power cycle: verdict message and the ECU's version.
    void MostroVerdetto(int messaggio, const QString& versioneCentralina);
    // The version on the PC as shown, trimmed and in upper case.
    QString VersioneProgrammata() const;

    // The version a software version of the ECU is shown as: characters 1-3, 8-9, 4-7
    // of a 9-character version (after trimming); any other text unchanged.
    static QString VersioneMostrata(const QString& versione);
    // The PC's version is older than the ECU's: the number in characters 4-7 is lower.
    // An empty ECU version is never newer.
    static bool VersionePCVecchia(const QString& pc, const QString& centralina);

private:
    void SoloChiusura(int messaggio);
};
