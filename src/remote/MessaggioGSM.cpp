#include "remote/StatoGSM.h"

#include "remote/ModemLink.h"

#include "platform/SerialControl.h"

StatoGSMRec GSM;

char CalcoloXor(const QByteArray& testo)
{
    unsigned char controllo = 0;
    for (char c : testo)
        controllo ^= static_cast<unsigned char>(c);
    return char(controllo);
}

QByteArray InseriscoEscape(const QByteArray& testo)
{
    QByteArray out;
    out.reserve(testo.size() + testo.size() / 8 + 2);
    for (char c : testo) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == 2 || u == 3 || u == 27) {
            out += char(27);
            out += char(u + 32);
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray PreparoMessaggioGSM(const QByteArray& testo)
{
    QByteArray corpo = testo;
    corpo += CalcoloXor(testo);
    QByteArray out;
    out.reserve(corpo.size() * 2 + 2);
    out += char(2);
    out += InseriscoEscape(corpo);
    out += char(3);
    return out;
}

void ChiudoPortaGSM()
{
    if (ComGSM().PortOpen())
        ComGSM().setPortOpen(false);
    GSM.GSMattivo = false;
    // A software transfer cut short never leaves its partial file.
    CancelloSoftwareParziale();
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
