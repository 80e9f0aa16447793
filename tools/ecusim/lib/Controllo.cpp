#include "ecusim/lib/Controllo.h"

#include "ecusim/lib/EcuModel.h"

#include <QHash>
#include <functional>

namespace ecusim {

namespace {

bool Intero(const QByteArray& v, int& n)
{
    bool ok = false;
    n = v.toInt(&ok);
    return ok;
}

bool SiNo(const QByteArray& v, bool& b)
{
    const QByteArray l = v.toLower();
    if (l == "1" || l == "on" || l == "yes" || l == "true") {
        b = true;
        return true;
    }
    if (l == "0" || l == "off" || l == "no" || l == "false") {
        b = false;
        return true;
    }
    return false;
}

// A word for the answer: quoted when it holds blanks, quotes or control characters.
QByteArray Citato(const QByteArray& v)
{
    bool semplice = !v.isEmpty();
    for (char c : v)
        semplice = semplice && c > ' ' && c != '"' && c != '\\' && c < 127;
    if (semplice)
        return v;
    QByteArray r = "\"";
    for (char c : v) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            r += '\\' + QByteArray(1, c);
        else if (u < 32 || u >= 127)
            r += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            r += c;
    }
    return r + '"';
}

// key=value words after the command word; a word without "=" is a flag.
struct Argomenti {
    QList<QPair<QByteArray, QByteArray>> coppie;
    QList<QByteArray> bandiere;
    explicit Argomenti(const QList<QByteArray>& parole, int da)
    {
        for (qsizetype i = da; i < parole.size(); ++i) {
            const qsizetype uguale = parole[i].indexOf('=');
            if (uguale > 0)
                coppie.append({parole[i].left(uguale).toLower(), parole[i].mid(uguale + 1)});
            else
                bandiere.append(parole[i].toLower());
        }
    }
};

QByteArray Errore(const QByteArray& t)
{
    return "error: " + t;
}

QByteArray ImpostaIdentita(EcuModel& ecu, const Argomenti& a)
{
    const QHash<QByteArray, QByteArray Identita::*> campi = {
        {"type", &Identita::tipoCentralina},       {"install-date", &Identita::dataInstallazione},
        {"overhaul-date", &Identita::dataRevisione}, {"install-type", &Identita::tipoInstallazione},
        {"serial", &Identita::matricola},          {"batch", &Identita::lotto},
        {"table", &Identita::versioneTabella},     {"sw", &Identita::versioneSw},
        {"loader", &Identita::versioneCaric},
    };
    if (!a.bandiere.isEmpty())
        return Errore("unknown identity flag " + a.bandiere.first());
    for (const auto& [k, v] : a.coppie)
        if (!campi.contains(k))
            return Errore("unknown identity field " + k);
    for (const auto& [k, v] : a.coppie)
        ecu.identita.*campi.value(k) = v;
    return "ok";
}

QByteArray Guasto(EcuModel& ecu, const Argomenti& a)
{
    Guasti g;
    for (const QByteArray& f : a.bandiere) {
        if (f == "clear" || f == "off")
            continue;
        if (f == "silent")
            g.silenzio = true;
        else if (f == "bad-checksum")
            g.checksumErrato = true;
        else if (f == "chunks")
            g.aPezzi = true;
        else
            return Errore("unknown fault flag " + f);
    }
    for (const auto& [k, v] : a.coppie) {
        bool ok = true;
        if (k == "reply-as")
            g.sostituto = v;
        else if (k == "noise")
            g.rumore = v;
        else if (k == "only")
            g.soloPer = v;
        else if (k == "from")
            ok = Intero(v, g.daRisposta);
        else if (k == "times")
            ok = Intero(v, g.volte);
        else if (k == "chunk-ms")
            ok = Intero(v, g.msTraPezzi);
        else
            return Errore("unknown fault field " + k);
        if (!ok)
            return Errore("bad number for " + k);
    }
    ecu.guasti = g;
    return "ok";
}

QByteArray Opzione(EcuModel& ecu, const Argomenti& a)
{
    if (!a.bandiere.isEmpty())
        return Errore("unknown option flag " + a.bandiere.first());
    Opzioni o = ecu.opzioni;
    for (const auto& [k, v] : a.coppie) {
        bool ok = true;
        if (k == "binary")
            ok = SiNo(v, o.trameBinarie);
        else if (k == "period")
            ok = Intero(v, o.periodoMs) && o.periodoMs >= 1;
        else if (k == "r4")
            ok = SiNo(v, o.rispostaBreve);
        else if (k == "short") {
            bool breve = false;
            ok = SiNo(v, breve);
            o.formaLunga = !breve;
        } else if (k == "reply-ms")
            ok = Intero(v, o.ritardoRispostaMs);
        else if (k == "restart-ms")
            ok = Intero(v, o.msRiavvio);
        else
            return Errore("unknown option " + k);
        if (!ok)
            return Errore("bad value for " + k);
    }
    ecu.opzioni = o;
    return "ok";
}

QByteArray Programmazione(EcuModel& ecu, const Argomenti& a)
{
    Flash f = ecu.flash;
    for (const QByteArray& b : a.bandiere) {
        if (b != "reset")
            return Errore("unknown flash flag " + b);
        f = Flash{};
    }
    const QHash<QByteArray, bool Flash::*> interruttori = {
        {"frames-during", &Flash::trameDurante}, {"frames-after-cycle", &Flash::trameSoloDopoCiclo},
        {"check-sums", &Flash::controlloSomme},  {"fed-at-once", &Flash::fedSubito},
        {"silent-to-start", &Flash::mutoAllAvvio}, {"not-kept", &Flash::nonConserva},
    };
    for (const auto& [k, v] : a.coppie) {
        bool ok = false;
        if (k == "fl0-again-at")
            ok = Intero(v, f.fl0DiNuovoAllaRiga);
        else if (interruttori.contains(k))
            ok = SiNo(v, f.*interruttori.value(k));
        else
            return Errore("unknown flash switch " + k);
        if (!ok)
            return Errore("bad value for " + k);
    }
    ecu.flash = f;
    return "ok";
}

QByteArray Mostra(const EcuModel& ecu)
{
    const Identita& id = ecu.identita;
    QByteArray r = "ok";
    auto campo = [&](const char* k, const QByteArray& v) { r += ' ' + QByteArray(k) + '=' + Citato(v); };
    campo("power", ecu.acceso() ? "on" : "off");
    campo("frames", ecu.trameSospese() ? "off" : "on");
    campo("type", id.tipoCentralina);
    campo("install-date", id.dataInstallazione);
    campo("overhaul-date", id.dataRevisione);
    campo("install-type", id.tipoInstallazione);
    campo("serial", id.matricola);
    campo("batch", id.lotto);
    campo("table", id.versioneTabella);
    campo("sw", id.versioneSw);
    campo("loader", id.versioneCaric);
    campo("pressure", ecu.pressione);
    campo("stored-pressure", ecu.pressioneMemorizzata());
    QByteArray par;
    for (int v : ecu.parametri)
        par += Campo6(v);
    campo("parameters", par);
    campo("parameter-type", ecu.tipoParametri);
    return r;
}

} // namespace

bool ParoleComando(const QByteArray& riga, QList<QByteArray>& parole, QByteArray* errore)
{
    parole.clear();
    qsizetype i = 0;
    const qsizetype n = riga.size();
    auto sbaglio = [&](const char* t) {
        if (errore)
            *errore = t;
        return false;
    };
    while (i < n) {
        while (i < n && (riga[i] == ' ' || riga[i] == '\t' || riga[i] == '\r' || riga[i] == '\n'))
            ++i;
        if (i >= n)
            break;
        QByteArray parola;
        bool citato = false;
        while (i < n) {
            const char c = riga[i];
            if (!citato && (c == ' ' || c == '\t' || c == '\r' || c == '\n'))
                break;
            ++i;
            if (c == '"') {
                citato = !citato;
                continue;
            }
            if (!citato || c != '\\') {
                parola += c;
                continue;
            }
            if (i >= n)
                return sbaglio("bad escape");
            const char e = riga[i++];
            switch (e) {
            case 'r': parola += '\r'; break;
            case 'n': parola += '\n'; break;
            case 't': parola += '\t'; break;
            case '"':
            case '\\': parola += e; break;
            case 'x': {
                const int h = i < n ? CifraEsadecimale(riga[i]) : -1;
                const int l = i + 1 < n ? CifraEsadecimale(riga[i + 1]) : -1;
                if (h < 0 || l < 0)
                    return sbaglio("bad escape");
                parola += char(h * 16 + l);
                i += 2;
                break;
            }
            default:
                return sbaglio("bad escape");
            }
        }
        if (citato)
            return sbaglio("unterminated quote");
        parole.append(parola);
    }
    return true;
}

QByteArray EseguiControllo(EcuModel& ecu, const QByteArray& riga, int msSpento)
{
    QList<QByteArray> p;
    QByteArray errore;
    if (!ParoleComando(riga, p, &errore))
        return Errore(errore);
    if (p.isEmpty())
        return "ok";
    const QByteArray cmd = p[0].toLower();
    const QByteArray sub = p.size() > 1 ? p[1].toLower() : QByteArray();
    const Argomenti a(p, 1);

    if (cmd == "power") {
        if (sub == "cycle") {
            int ms = msSpento;
            if (p.size() > 2 && (!Intero(p[2], ms) || ms < 0))
                return Errore("bad off time");
            ecu.cicloAccensione(ms);
        } else if (sub == "off") {
            ecu.spegni();
        } else if (sub == "on") {
            ecu.accendi();
        } else {
            return Errore("power cycle [MS] | power off | power on");
        }
        return "ok";
    }
    if (cmd == "frames") {
        bool si = false;
        if (p.size() != 2 || !SiNo(sub, si))
            return Errore("frames on | frames off");
        ecu.sospendiTrame(!si);
        return "ok";
    }
    if (cmd == "fault")
        return Guasto(ecu, a);
    if (cmd == "identity")
        return ImpostaIdentita(ecu, a);
    if (cmd == "option")
        return Opzione(ecu, a);
    if (cmd == "pressure") {
        if (p.size() != 2)
            return Errore("pressure TEXT");
        ecu.pressione = p[1];
        return "ok";
    }
    if (cmd == "value") {
        if (p.size() < 2)
            return Errore("value NAME=SPEC ...");
        ValoriLive v = ecu.valori;
        for (qsizetype i = 1; i < p.size(); ++i)
            if (!ImpostaValoreLive(v, p[i], &errore))
                return Errore(errore);
        ecu.valori = v;
        return "ok";
    }
    if (cmd == "delay") {
        int ms = 0;
        if (p.size() < 3 || p.size() > 4 || !Intero(p[2], ms) || ms < 0
            || (p.size() == 4 && p[3].toLower() != "pause-frames"))
            return Errore("delay KEY MS [pause-frames]");
        if (ms == 0)
            ecu.opzioni.ritardoPer.remove(p[1]);
        else
            ecu.opzioni.ritardoPer.insert(p[1], ms);
        ecu.opzioni.trameFermeInRitardo = p.size() == 4;
        return "ok";
    }
    if (cmd == "engine") {
        if (p.size() != 2 || (sub != "running" && sub != "stopped"))
            return Errore("engine running | engine stopped");
        ecu.opzioni.motoreAcceso = sub == "running";
        return "ok";
    }
    if (cmd == "data") {
        if (p.size() != 2 || (sub != "lost" && sub != "kept"))
            return Errore("data lost | data kept");
        ecu.opzioni.datiPersi = sub == "lost";
        return "ok";
    }
    if (cmd == "flash")
        return Programmazione(ecu, a);
    if (cmd == "show")
        return Mostra(ecu);
    return Errore("unknown command " + cmd);
}

} // namespace ecusim
