#include "platform/BoxHost.h"

namespace BoxHost {
static Risponditore g_risponditore;
static QList<RiquadroMostrato> g_registro;

void ImpostaRisponditore(Risponditore r) { g_risponditore = std::move(r); }
void RimuoviRisponditore() { g_risponditore = nullptr; }
bool HaRisponditore() { return static_cast<bool>(g_risponditore); }
const QList<RiquadroMostrato>& Registro() { return g_registro; }
void PulisciRegistro() { g_registro.clear(); }

bool Intercetta(const RiquadroMostrato& r, int& risposta)
{
    g_registro.append(r);
    if (!g_risponditore)
        return false;
    risposta = g_risponditore(r);
    return true;
}
} // namespace BoxHost
