#include "remote/StatoGSM.h"

#include "platform/SerialControl.h"

StatoGSMRec GSM;

static void Accodo(QByteArray& out, char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    if (u == 2 || u == 3 || u == 27) {
        out += char(27);
        out += char(u + 32);
    } else {
        out += c;
    }
}

QByteArray PreparoMessaggioGSM(const QByteArray& testo)
{
    QByteArray out;
    out.reserve(testo.size() * 2 + 4);
    out += char(2);
    unsigned char controllo = 0;
    for (char c : testo) {
        controllo ^= static_cast<unsigned char>(c);
        Accodo(out, c);
    }
    Accodo(out, char(controllo));
    out += char(3);
    return out;
}


void ChiudoPortaGSM()
{
    if (ComGSM().PortOpen())
        ComGSM().setPortOpen(false);
    GSM.GSMattivo = false;
}

static std::function<void(const QByteArray&)> g_modemDiProva;

void ImpostaModemDiProva(std::function<void(const QByteArray&)> scrittore)
{
    g_modemDiProva = std::move(scrittore);
}

bool ModemAperto()
{
    return g_modemDiProva ? true : ComGSM().PortOpen();
}

void ScrivoModem(const QByteArray& dati)
{
    if (g_modemDiProva)
        g_modemDiProva(dati);
    else if (ComGSM().PortOpen())
        ComGSM().Output(dati);
}
