#pragma once
// Host of the program's modal boxes (MessErr, SegnalEr). Tests install an answerer that
// records every box and answers it without showing anything.
#include <QList>
#include <QString>
#include <functional>

struct RiquadroMostrato {
    QString box;    // "MessErr" or "SegnalEr"
    QString testo;
    QString titolo;
    int tipo = 0;   // MessErr: 0 OK, 1 YES/NO, other no button
};

namespace BoxHost {
// answer: MessErr -1 OK/YES, 0 NO/closed; SegnalEr -1 closed, 0 quit, 1 try again, 2 go on.
using Risponditore = std::function<int(const RiquadroMostrato&)>;
void ImpostaRisponditore(Risponditore r);
void RimuoviRisponditore();
bool HaRisponditore();
const QList<RiquadroMostrato>& Registro();
void PulisciRegistro();
// Records the box; when an answerer is installed, returns true with its answer.
bool Intercetta(const RiquadroMostrato& r, int& risposta);
} // namespace BoxHost
