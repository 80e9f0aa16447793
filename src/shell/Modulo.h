#pragma once
// Module-level state of the application shell: the program folder, the language, the
// message-box variables and the configuration read buffer, shared by every screen.
#include <QString>
#include <cstdint>

struct StatoShell {
    QString PathApp;            // program folder, no trailing separator
    int Lingua = 0;             // 1 Polish, 2 French, 3 Spanish, 4 English, 0 none chosen
    QString Messaggio1;         // text of the next box
    QString Messaggio2;         // title of the next box
    int TipoMessaggio = 0;      // 0 OK, 1 YES/NO, other: no button
    int RispostaMessaggio = 0;  // -1 OK/YES, 0 NO or closed
    int RispostaSegnalEr = -1;  // -1 closed, 0 quit, 1 try again, 2 go on
    int Funzione = 0;           // 0 main menu, 1 vehicle screen, 2 live data
    int PuntatoreMouse = 0;     // saved pointer shape (0 default, 1 arrow, 11 hourglass)
    bool DatiModificati = false;
    QString BufferIni;          // last value read from ZEQINST.INI
    int LungIni = 0;            // its length (or the result of the last write)

    void reset() { *this = StatoShell(); }
};

extern StatoShell Shell;

// Resource id of message or picture n in the current language, (lingua - 1) * 500 + n in
// 16-bit arithmetic (a sum past 32767 wraps to a negative id).
inline int IdRisorsa(int n, int lingua = -1)
{
    const int l = lingua < 0 ? Shell.Lingua : lingua;
    return static_cast<int16_t>((l - 1) * 500 + n);
}

// Text of message n in the current language ("" when there is none).
QString Msg(int n);

// Program version shown by the main menu.
constexpr int VersioneMaggiore = ZEQ_VERSION_MAJOR;
constexpr int VersioneMinore = ZEQ_VERSION_MINOR;
