#pragma once
// The language form: four flag buttons (or F1 to F4) store the language and show the
// main menu.
#include "platform/Form.h"

#include <array>

class QLabel;
class QPushButton;

class SceltaLingua : public FormBase, public IstanzaPredefinita<SceltaLingua> {
    Q_OBJECT
public:
    SceltaLingua();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("SCELTALINGUA"); }

    std::array<QPushButton*, 4> TastoLingua{};
    std::array<QLabel*, 4> TastoF{};
    QLabel* Intitolo;
    QLabel* Segnalazione;
    std::array<QLabel*, 2> Logo1{};
    QLabel* Sfondo;

    // The language in force before the form was opened (0 at the first start); restored
    // when the form is closed without a choice.
    int LinguaPrecedente = 0;

    void TastoLingua_Click(int index);
    // Language stored by flag button index (0 Polish, 1 English, 2 French, 3 Spanish).
    static int LinguaDelTasto(int index);

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_Unload(bool& cancel) override;

private:
    void Form_Resize() override;
    bool m_scelto = false;
};

// Reads "LANGUAGE.ASC" of the program folder into Shell.Lingua (0 when missing or invalid).
void LeggoLingua();
// Writes the language digit and CR LF to "LANGUAGE.ASC"; false when it cannot be written.
bool ScrivoLingua(int lingua);
