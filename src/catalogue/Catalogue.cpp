#include "catalogue/Catalogue.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

using namespace Catalogo;

namespace CatalogoTesto {

QByteArray Fisso(const QByteArray& valore, int n)
{
    if (valore.size() >= n)
        return valore.left(n);
    return valore + QByteArray(n - valore.size(), ' ');
}

QByteArray Maiuscolo(QByteArray testo)
{
    for (char& c : testo) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'a' && u <= 'z')
            c = static_cast<char>(u - 0x20);
        else if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
            c = static_cast<char>(u - 0x20);
        else if (u == 0x9A || u == 0x9C || u == 0x9E)
            c = static_cast<char>(u - 0x10);
        else if (u == 0xFF)
            c = static_cast<char>(0x9F);
    }
    return testo;
}

QString Windows1252(const QByteArray& testo)
{
    return CodePage::Decodifica(testo, CodePage::Windows1252);
}

QByteArray Spazi(const QByteArray& testo)
{
    qsizetype a = 0;
    qsizetype b = testo.size();
    while (a < b && testo.at(a) == ' ')
        ++a;
    while (b > a && testo.at(b - 1) == ' ')
        --b;
    return testo.mid(a, b - a);
}

QList<QByteArray> Righe(const QByteArray& contenuto)
{
    QList<QByteArray> righe;
    qsizetype fine = contenuto.indexOf('\x1a');
    if (fine < 0)
        fine = contenuto.size();
    qsizetype inizio = 0;
    qsizetype i = 0;
    while (i < fine) {
        const char c = contenuto.at(i);
        if (c == '\r' || c == '\n') {
            righe.append(contenuto.mid(inizio, i - inizio));
            if (c == '\r' && i + 1 < fine && contenuto.at(i + 1) == '\n')
                ++i;
            inizio = i + 1;
        }
        ++i;
    }
    if (inizio < fine)
        righe.append(contenuto.mid(inizio, fine - inizio));
    return righe;
}

QByteArray ChiaveOrdinamento(const QByteArray& record)
{
    return Spazi(Maiuscolo(record.left(LunghezzaDescrizione)));
}

// Whether the bytes are a whole number of records, each ending in CR LF.
static bool RecordInteri(const QByteArray& dati, int lunghezza)
{
    if (dati.isEmpty() || dati.size() % lunghezza != 0)
        return false;
    for (qsizetype p = lunghezza - 2; p < dati.size(); p += lunghezza)
        if (dati.at(p) != '\r' || dati.at(p + 1) != '\n')
            return false;
    return true;
}

// A line that is valid UTF-8 and not plain ASCII, re-encoded in Windows-1252; any other
// line as it is.
static QByteArray InCaratteri(const QByteArray& riga)
{
    bool ascii = true;
    for (const char c : riga)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return riga;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString testo = utf8(riga);
    if (utf8.hasError())
        return riga;
    return CodePage::Codifica(testo, CodePage::Windows1252);
}

QList<QByteArray> RigheCatalogo(const QByteArray& dati, int lunghezzaRecord, bool* allineato, bool* completo)
{
    QList<QByteArray> righe;
    const bool interi = RecordInteri(dati, lunghezzaRecord);
    if (allineato)
        *allineato = interi;
    if (completo)
        *completo = true;
    // NUL bytes, such as a file system leaves at the end of a file cut short, are no record.
    auto nul = [](const QByteArray& r) {
        return !r.isEmpty() && std::all_of(r.begin(), r.end(), [](char c) { return c == '\0'; });
    };
    if (interi) {
        righe.reserve(dati.size() / lunghezzaRecord);
        for (qsizetype p = 0; p < dati.size(); p += lunghezzaRecord)
            righe.append(dati.mid(p, lunghezzaRecord - 2));
        righe.removeIf(nul);
        return righe;
    }
    const qsizetype fine = dati.indexOf('\x1a');
    if (completo && fine >= 0) {
        for (qsizetype i = fine; i < dati.size(); ++i) {
            const char c = dati.at(i);
            if (c != '\x1a' && c != ' ' && c != '\r' && c != '\n' && c != '\0')
                *completo = false;
        }
    }
    righe = Righe(dati);
    righe.removeIf(nul);
    for (QByteArray& r : righe)
        r = InCaratteri(r);
    return righe;
}

} // namespace CatalogoTesto

using namespace CatalogoTesto;


LayoutCatalogo LayoutRiga(const QByteArray& riga)
{
    switch (riga.size()) {
    case 132:
        return LayoutCatalogo::Vecchio132;
    case 133:
        return LayoutCatalogo::Vecchio133;
    case 178:
        return LayoutCatalogo::Vecchio178;
    default:
        return LayoutCatalogo::Attuale;
    }
}

// The three legacy ECU names of 25 characters widened to 40, and the key of columns 121-132.
static QByteArray CorpoVecchio(const QByteArray& riga)
{
    QByteArray t = riga.left(45);
    for (int k = 0; k < 3; ++k)
        t += Fisso(riga.mid(45 + LunghezzaCentralinaVecchia * k, LunghezzaCentralinaVecchia), LunghezzaCentralina);
    t += riga.mid(120, LunghezzaModello);
    return t; // 177 characters
}

RecordCatalogo RecordCatalogo::DaRiga(const QByteArray& riga)
{
    RecordCatalogo r;
    r.Originale = riga;
    r.Layout = LayoutRiga(riga);
    QByteArray t;
    if (r.Layout == LayoutCatalogo::Vecchio132)
        t = CorpoVecchio(riga) + "G  ";
    else if (r.Layout == LayoutCatalogo::Vecchio133)
        t = CorpoVecchio(riga) + riga.mid(132, 1) + "  ";
    else
        t = Fisso(riga, LunghezzaTesto);
    r.Descrizione = t.mid(0, LunghezzaDescrizione);
    r.Valvole = t.mid(41, LunghezzaValvole);
    for (int k = 0; k < 3; ++k)
        r.Centralina[k] = t.mid(45 + LunghezzaCentralina * k, LunghezzaCentralina);
    r.Modello = t.mid(165, LunghezzaModello);
    r.Tipo = t.mid(177, 3);
    return r;
}

QByteArray RecordCatalogo::Testo() const
{
    QByteArray t = Fisso(Descrizione, LunghezzaDescrizione) + Fisso(Valvole, LunghezzaValvole);
    for (int k = 0; k < 3; ++k)
        t += Fisso(Centralina[k], LunghezzaCentralina);
    t += Fisso(Modello, LunghezzaModello) + Fisso(Tipo, 3);
    return t;
}

QByteArray RecordCatalogo::Record() const
{
    return Testo() + "\r\n";
}

QString RecordCatalogo::DescrizioneTesto() const { return Windows1252(Spazi(Descrizione)); }
QString RecordCatalogo::ModelloTesto() const { return QString::fromLatin1(Spazi(Modello)); }

QString RecordCatalogo::CentralinaTesto(int slot) const
{
    if (slot < 1 || slot > 3)
        return {};
    return Windows1252(Spazi(Centralina[slot - 1]));
}

char RecordCatalogo::Flag(int slot) const
{
    if (slot < 1 || slot > 3 || Tipo.size() < slot)
        return ' ';
    return Tipo.at(slot - 1);
}

// A full path whose folder and file name are looked up without regard to case.
static QString Risolto(const QString& percorso)
{
    QString p = percorso;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const int sep = p.lastIndexOf(QLatin1Char('/'));
    if (sep < 0)
        return Files::Trova(QString(), p);
    return Files::Trova(Files::Percorso(sep == 0 ? QStringLiteral("/") : p.left(sep), QString()), p.mid(sep + 1));
}

// Reads a catalogue file about to be rewritten into dati. A missing file needs no rewrite
// (esito true); one that is not a regular file or cannot be read fails (esito false).
static bool LeggoDaRiscrivere(const QString& percorso, QByteArray& dati, bool& esito)
{
    const QFileInfo fi(percorso);
    esito = !fi.exists();
    return !esito && fi.isFile() && Files::LeggiTutto(percorso, dati);
}

bool LeggoCatalogo(const QString& percorso, QList<RecordCatalogo>& record)
{
    record.clear();
    QByteArray dati;
    if (!Files::LeggiTutto(Risolto(percorso), dati))
        return false;
    for (const QByteArray& riga : RigheCatalogo(dati, LunghezzaRecord))
        record.append(RecordCatalogo::DaRiga(riga));
    return true;
}

bool CercoModelloCatalogo(const QString& percorso, const QString& modello, RecordCatalogo& trovato)
{
    QByteArray dati;
    if (!Files::LeggiTutto(Risolto(percorso), dati))
        return false;
    const QByteArray chiave = Spazi(Maiuscolo(modello.toLatin1()));
    for (const QByteArray& riga : RigheCatalogo(dati, LunghezzaRecord)) {
        RecordCatalogo r = RecordCatalogo::DaRiga(riga);
        if (Spazi(Maiuscolo(r.Modello)) == chiave) {
            trovato = r;
            return true;
        }
    }
    return false;
}

QString PercorsoCatalogo(const QString& marca)
{
    return Files::PercorsoApp(marca + QStringLiteral(".PRN"));
}

QByteArray RigaConvertita(const QByteArray& riga)
{
    const qsizetype n = riga.size();
    if (n == 132)
        return CorpoVecchio(riga) + "GGG";
    if (n == 133)
        return CorpoVecchio(riga) + riga.mid(132, 1) + "GG";
    if (n == 178)
        return riga.left(177) + riga.mid(177, 1) + "GG";
    // A line one or two characters short of a record is a current record that lost its
    // trailing blanks. Any other length keeps its first 177 columns and is offered for LPG
    // in every slot.
    if (n == 179 || n == 180)
        return Fisso(riga, LunghezzaTesto);
    return Fisso(riga, 177) + "GGG";
}

bool ConvertoFilePRN(const QString& marca)
{
    const QString percorso = PercorsoCatalogo(marca);
    QByteArray dati;
    bool esito = true;
    if (!LeggoDaRiscrivere(percorso, dati, esito))
        return esito;
    bool attuale = false;
    bool completo = true;
    const QList<QByteArray> righe = RigheCatalogo(dati, LunghezzaRecord, &attuale, &completo);
    if (attuale)
        return true;
    // Text after a Ctrl-Z would be lost by the rewrite: the catalogue stays as it is.
    if (!completo)
        return false;
    QByteArray nuovo;
    for (const QByteArray& riga : righe) {
        if (Spazi(riga).isEmpty())
            continue;
        nuovo += RigaConvertita(riga);
        nuovo += "\r\n";
    }
    if (nuovo.isEmpty()) {
        // Nothing but empty lines: the catalogue holds no model.
        return QFile::remove(percorso);
    }
    return Files::ScriviAtomico(percorso, nuovo);
}

void OrdinoRecord(QList<QByteArray>& record)
{
    const qsizetype n = record.size();
    QList<QByteArray> chiavi;
    chiavi.reserve(n);
    for (const QByteArray& r : record)
        chiavi.append(ChiaveOrdinamento(r));
    // Exchange sort: the held record i is swapped with every later record whose key is
    // lower or equal.
    for (qsizetype i = 0; i + 1 < n; ++i) {
        for (qsizetype j = i + 1; j < n; ++j) {
            if (chiavi[j] <= chiavi[i]) {
                record.swapItemsAt(i, j);
                chiavi.swapItemsAt(i, j);
            }
        }
    }
}

bool OrdinoFile(const QString& nomeFile)
{
    const QString percorso = Risolto(nomeFile);
    QByteArray dati;
    bool esito = true;
    if (!LeggoDaRiscrivere(percorso, dati, esito))
        return esito;
    const qsizetype n = dati.size() / LunghezzaRecord;
    if (n < 1)
        return true;
    QList<QByteArray> record;
    record.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        record.append(dati.mid(i * LunghezzaRecord, LunghezzaRecord));
    OrdinoRecord(record);
    QByteArray nuovo;
    nuovo.reserve(dati.size());
    for (const QByteArray& r : record)
        nuovo += r;
    // A trailing partial record is kept as it was, after the whole ones.
    nuovo += dati.mid(n * LunghezzaRecord);
    if (nuovo == dati)
        return true;
    return Files::ScriviAtomico(percorso, nuovo);
}

// Whether one line of a catalogue offers the make for the fuel (make list rule).
static bool RigaOfferta(const QByteArray& riga, int tipo)
{
    const bool vecchio = riga.size() == 132 || riga.size() == 133;
    const QByteArray t = Fisso(Spazi(riga), LunghezzaTesto);
    const QByteArray provati = vecchio ? t.mid(132, 1) : t.mid(177, 3);
    for (const char c : provati) {
        if (tipo == 1) {
            if (c == 'E' || c == 'M')
                return true;
        } else if (c != 'M') {
            return true;
        }
    }
    return false;
}

QStringList ElencoMarche(const QString& cartella, int tipo)
{
    QStringList marche;
    const QString dir = Files::Percorso(cartella, QString());
    QDir d(dir);
    if (!d.exists())
        return marche;
    QStringList nomi;
    for (const QFileInfo& fi : d.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase)) {
        const QString nome = fi.fileName().toUpper();
        if (!nome.endsWith(QLatin1String(".PRN")) || nome.size() <= 4 || nome == QLatin1String("VALVOLE.PRN"))
            continue;
        nomi.append(fi.fileName());
    }
    for (const QString& nome : nomi) {
        const QString marca = nome.left(nome.size() - 4).toUpper();
        if (!QFileInfo(Files::Trova(dir, marca)).isDir())
            continue;
        QByteArray dati;
        if (!Files::LeggiTutto(dir + QLatin1Char('/') + nome, dati))
            continue;
        for (const QByteArray& riga : RigheCatalogo(dati, LunghezzaRecord)) {
            if (RigaOfferta(riga, tipo)) {
                marche.append(marca);
                break;
            }
        }
    }
    return marche;
}

void ElencoStampe(const QString& cartella, QListWidget* lista, int tipo)
{
    if (!lista)
        return;
    lista->clear();
    lista->addItems(ElencoMarche(cartella, tipo));
}

void ElencoStampe(const QString& cartella, QComboBox* lista, int tipo)
{
    if (!lista)
        return;
    lista->clear();
    lista->addItems(ElencoMarche(cartella, tipo));
}

RigaAggiornamento AnalizzoRiga(const QByteArray& riga)
{
    RigaAggiornamento r;
    const QByteArray t = Spazi(riga);
    r.chiave = Spazi(Maiuscolo(Fisso(t, 20)));
    const qsizetype p = t.indexOf(':');
    r.duePunti = p >= 0;
    if (p >= 0)
        r.valore = t.mid(p + 1);
    return r;
}

double ValoreTesto(const QByteArray& testo)
{
    // Blanks, tabs and line feeds are skipped anywhere, as Val does.
    QByteArray s;
    for (const char c : testo)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    qsizetype i = 0;
    QByteArray numero;
    if (i < s.size() && (s.at(i) == '+' || s.at(i) == '-'))
        numero += s.at(i++);
    bool cifre = false;
    while (i < s.size() && s.at(i) >= '0' && s.at(i) <= '9') {
        numero += s.at(i++);
        cifre = true;
    }
    if (i < s.size() && s.at(i) == '.') {
        numero += s.at(i++);
        while (i < s.size() && s.at(i) >= '0' && s.at(i) <= '9') {
            numero += s.at(i++);
            cifre = true;
        }
    }
    if (!cifre)
        return 0.0;
    if (i < s.size() && (s.at(i) == 'E' || s.at(i) == 'e' || s.at(i) == 'D' || s.at(i) == 'd')) {
        QByteArray esp = "e";
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == '+' || s.at(j) == '-'))
            esp += s.at(j++);
        bool cifreEsp = false;
        while (j < s.size() && s.at(j) >= '0' && s.at(j) <= '9') {
            esp += s.at(j++);
            cifreEsp = true;
        }
        if (cifreEsp)
            numero += esp;
    }
    bool ok = false;
    const double v = numero.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}
