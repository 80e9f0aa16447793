#include "platform/PrivateProfile.h"
#include "platform/Files.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>

// The file is kept as a list of raw lines (each with its own line end, if any), so the lines a
// write does not touch go back to disk byte for byte. Lines are decoded as UTF-8 when they are
// valid UTF-8 and as Latin-1 otherwise; the lines a write produces are UTF-8 with CR LF.
//
// Line kinds, as the Windows calls see them:
//   [name]        a section header (name between the "[" and the last "]", trimmed)
//   ; text        a comment: never matches a key
//   key = value   a key (name and value trimmed; the value runs to the end of the line, so a
//                 ";" after the "=" is part of the value)
//   key           a key without "=": present, its value is empty
// Lines before the first section header belong to no section and are never matched.

namespace {

constexpr int LunghezzaMassima = 254;

QString decodifica(const QByteArray& riga)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(riga);
    if (utf8.hasError())
        return QString::fromLatin1(riga);
    return s;
}

bool spazio(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString taglia(const QString& s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && spazio(s.at(a)))
        ++a;
    while (b > a && spazio(s.at(b - 1)))
        --b;
    return s.mid(a, b - a);
}

// Text of a raw line without its line end.
QString testoRiga(const QByteArray& riga)
{
    qsizetype n = riga.size();
    if (n > 0 && riga.at(n - 1) == '\n')
        --n;
    if (n > 0 && riga.at(n - 1) == '\r')
        --n;
    return decodifica(riga.left(n));
}

enum class Tipo { Vuota, Commento, Sezione, Chiave };

struct Analisi {
    Tipo tipo = Tipo::Vuota;
    QString nome;    // section or key name
    QString valore;  // key value (trimmed, quotes kept)
};

Analisi analizza(const QByteArray& grezza)
{
    Analisi a;
    const QString riga = taglia(testoRiga(grezza));
    if (riga.isEmpty())
        return a;
    if (riga.startsWith(QLatin1Char(';'))) {
        a.tipo = Tipo::Commento;
        return a;
    }
    if (riga.startsWith(QLatin1Char('['))) {
        const qsizetype fine = riga.lastIndexOf(QLatin1Char(']'));
        if (fine > 0) {
            a.tipo = Tipo::Sezione;
            a.nome = taglia(riga.mid(1, fine - 1));
            return a;
        }
        // "[" without "]": not a header; read as a key line like any other text.
    }
    a.tipo = Tipo::Chiave;
    const qsizetype uguale = riga.indexOf(QLatin1Char('='));
    if (uguale < 0) {
        a.nome = riga;
    } else {
        a.nome = taglia(riga.left(uguale));
        a.valore = taglia(riga.mid(uguale + 1));
    }
    return a;
}

// A file saved by an editor that marks UTF-8 begins with a byte-order mark: it is not part
// of the first line.
const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

bool TolgoBom(QByteArray& dati)
{
    if (!dati.startsWith(kBom))
        return false;
    dati.remove(0, kBom.size());
    return true;
}

QList<QByteArray> righe(const QByteArray& dati)
{
    QList<QByteArray> r;
    qsizetype inizio = 0;
    while (inizio < dati.size()) {
        const qsizetype fine = dati.indexOf('\n', inizio);
        if (fine < 0) {
            r << dati.mid(inizio);
            break;
        }
        r << dati.mid(inizio, fine - inizio + 1);
        inizio = fine + 1;
    }
    return r;
}

bool uguali(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Names and values that would break the line structure cannot be written.
bool scrivibile(const QString& s, bool nome)
{
    for (const QChar c : s) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0)
            return false;
    }
    return !nome || !taglia(s).isEmpty();
}

QByteArray rigaChiave(const QString& chiave, const QString& valore)
{
    return (chiave + QLatin1Char('=') + valore).toUtf8() + "\r\n";
}

bool terminata(const QByteArray& riga) { return riga.endsWith('\n'); }

// Ends an unterminated last line before something is written after it (a bare CR already
// there becomes part of the CR LF, so the line's text stays the same).
void termina(QByteArray& riga)
{
    if (terminata(riga))
        return;
    riga += riga.endsWith('\r') ? "\n" : "\r\n";
}

// Applies one write to the lines in memory.
void applica(QList<QByteArray>& l, const QString& sezione, const QString& chiave, const QString& valore)
{
    const QString sez = taglia(sezione);
    const QString ch = taglia(chiave);
    qsizetype intestazione = -1;
    for (qsizetype i = 0; i < l.size(); ++i) {
        const Analisi a = analizza(l.at(i));
        if (a.tipo == Tipo::Sezione && uguali(a.nome, sez)) {
            intestazione = i;
            break;
        }
    }
    if (intestazione < 0) {
        if (!l.isEmpty())
            termina(l.last());
        l << (QLatin1Char('[') + sez + QLatin1Char(']')).toUtf8() + "\r\n";
        l << rigaChiave(ch, valore);
        return;
    }
    qsizetype ultimaChiave = intestazione;
    for (qsizetype i = intestazione + 1; i < l.size(); ++i) {
        const Analisi a = analizza(l.at(i));
        if (a.tipo == Tipo::Sezione)
            break;
        if (a.tipo != Tipo::Chiave)
            continue;
        if (uguali(a.nome, ch)) {
            // The name keeps the spelling found in the file.
            l[i] = rigaChiave(a.nome, valore);
            return;
        }
        ultimaChiave = i;
    }
    termina(l[ultimaChiave]);
    l.insert(ultimaChiave + 1, rigaChiave(ch, valore));
}

} // namespace

int LeggoProfilo(const QString& sezione, const QString& chiave, const QString& predefinito,
                 QString& buffer, const QString& file)
{
    // The default loses its trailing blanks, as with the Windows call.
    QString risultato = predefinito;
    while (!risultato.isEmpty() && spazio(risultato.back()))
        risultato.chop(1);

    QByteArray dati;
    if (Files::LeggiTutto(file, dati)) {
        TolgoBom(dati);
        const QString sez = taglia(sezione);
        const QString ch = taglia(chiave);
        bool dentro = false;
        for (const QByteArray& r : righe(dati)) {
            const Analisi a = analizza(r);
            if (a.tipo == Tipo::Sezione) {
                if (dentro)
                    break;  // only the first section of that name is read
                dentro = uguali(a.nome, sez);
            } else if (dentro && a.tipo == Tipo::Chiave && uguali(a.nome, ch)) {
                QString v = a.valore;
                // A value in matching quotes (double or single) loses them.
                if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\''))
                    && v.back() == v.front())
                    v = v.mid(1, v.size() - 2);
                risultato = v;
                break;
            }
        }
    }
    if (risultato.size() > LunghezzaMassima)
        risultato.truncate(LunghezzaMassima);
    buffer = risultato;
    return int(risultato.size());
}

QString LeggoProfilo(const QString& sezione, const QString& chiave, const QString& predefinito,
                     const QString& file)
{
    QString b;
    LeggoProfilo(sezione, chiave, predefinito, b, file);
    return b;
}

bool ScrivoProfilo(const QList<VoceProfilo>& voci, const QString& file)
{
    for (const VoceProfilo& v : voci) {
        if (!scrivibile(v.sezione, true) || !scrivibile(v.chiave, true) || !scrivibile(v.valore, false))
            return false;
        if (v.sezione.contains(QLatin1Char(']')) || v.chiave.contains(QLatin1Char('='))
            || taglia(v.chiave).startsWith(QLatin1Char(';')) || taglia(v.chiave).startsWith(QLatin1Char('[')))
            return false;
    }
    if (file.isEmpty())
        return false;
    QByteArray dati;
    if (QFile::exists(file) && !Files::LeggiTutto(file, dati))
        return false;
    const bool bom = TolgoBom(dati);
    QList<QByteArray> l = righe(dati);
    for (const VoceProfilo& v : voci)
        applica(l, v.sezione, v.chiave, v.valore);
    QByteArray uscita = bom ? kBom : QByteArray();
    for (const QByteArray& r : l)
        uscita += r;
    return Files::ScriviAtomico(file, uscita);
}

bool ScrivoProfilo(const QString& sezione, const QString& chiave, const QString& valore,
                   const QString& file)
{
    return ScrivoProfilo(QList<VoceProfilo>{{sezione, chiave, valore}}, file);
}

QString FileConfigurazione()
{
    return Files::PercorsoApp(QStringLiteral("ZEQINST.INI"));
}
