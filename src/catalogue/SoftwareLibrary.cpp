#include "catalogue/SoftwareLibrary.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// The byte whose two hex digits start at character `posizione` (from 1); -1 when not hex.
int byteA(QByteArrayView riga, int posizione)
{
    if (posizione < 1 || posizione + 1 > riga.size())
        return -1;
    const int a = CifraEsa(riga[posizione - 1]), b = CifraEsa(riga[posizione]);
    return a < 0 || b < 0 ? -1 : a * 16 + b;
}

// The line without the blanks and carriage returns after its record, as the record reader
// ignores them: a record goes into the programming image (and is patched) without them.
QByteArrayView senzaCoda(QByteArrayView riga)
{
    while (!riga.isEmpty() && (riga.back() == ' ' || riga.back() == '\t' || riga.back() == '\r'))
        riga.chop(1);
    return riga;
}

bool tipoFine(QByteArrayView riga)
{
    return riga.size() >= 2 && riga[0] == 'S' && (riga[1] == '7' || riga[1] == '8' || riga[1] == '9');
}

// Characters 5-8: the address field of an S1 line.
QByteArrayView campoIndirizzo(QByteArrayView riga)
{
    return riga.size() >= 8 ? riga.sliced(4, 4) : QByteArrayView();
}

bool numero(const QString& testo, int& valore)
{
    const QString t = testo.trimmed();
    if (t.isEmpty() || !std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
        return false;
    bool ok = false;
    valore = t.toInt(&ok);
    return ok;
}

// Right(String(n, "0") & Trim(text), n)
QByteArray destraZeri(const QString& testo, int n)
{
    const QByteArray t = QByteArray(n, '0') + testo.trimmed().toLatin1();
    return t.right(n);
}

} // namespace

QString VersioneSoftware(const QByteArray& dati, bool s2)
{
    static const int PosizioniS2[] = {11, 13, 15, 25, 27, 17, 19, 21, 23};
    static const int PosizioniS1[] = {9, 11, 13, 23, 25, 15, 17, 19, 21};
    for (const QByteArrayView grezza : RigheTesto(dati)) {
        const QByteArrayView riga = senzaCoda(grezza);
        if (s2) {
            if (!riga.startsWith("S2") || riga.size() < 10 || riga.sliced(4, 6) != QByteArrayView("03FFEC"))
                continue;
        } else if (!riga.startsWith("S1") || riga.size() < 8 || riga.sliced(4, 4) != QByteArrayView("3FF0")) {
            continue;
        }
        // The first record at that address decides; its nine bytes must lie before the checksum.
        const int* posizioni = s2 ? PosizioniS2 : PosizioniS1;
        const int ultima = s2 ? 27 : 25;
        if (riga.size() < ultima + 3)
            return {};
        QString versione;
        for (int i = 0; i < 9; ++i) {
            const int b = byteA(riga, posizioni[i]);
            if (b < 0x20 || b == 0x7F)
                return {};
            versione += QChar::fromLatin1(char(b));
        }
        return versione;
    }
    return {};
}

QString LeggoVersioneS2(const QString& nomeFile)
{
    QByteArray dati;
    const QString p = TrovoFile(nomeFile);
    if (!QFileInfo(p).isFile() || !Files::LeggiTutto(p, dati))
        return {};
    return VersioneSoftware(dati, true);
}

QString LeggoVersioneS1(const QString& nomeFile)
{
    QByteArray dati;
    const QString p = TrovoFile(nomeFile);
    if (!QFileInfo(p).isFile() || !Files::LeggiTutto(p, dati))
        return {};
    return VersioneSoftware(dati, false);
}

QString LeggoDescrizioneSW(const QString& nomeFile)
{
    if (nomeFile.size() < 3)
        return {};
    const QString p = TrovoFile(nomeFile.chopped(3) + QStringLiteral("TXT"));
    QFile f(p);
    if (!QFileInfo(p).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    QByteArray riga = f.readLine(65536);
    // The first line ends at CR, LF or CR LF; the text is Windows-1252.
    const qsizetype fine = riga.indexOf('\r');
    if (fine >= 0)
        riga.truncate(fine);
    while (riga.endsWith('\n'))
        riga.chop(1);
    return CatalogoTesto::Windows1252(TrimBlank(riga).toByteArray());
}

int CreoPercorso(const QString& percorso)
{
    QString p = percorso.trimmed();
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty())
        return 1;
    return Files::CreaCartella(p) ? 0 : 1;
}

QByteArray TestoIntestazione(QByteArrayView riga, int posizione, int caratteri)
{
    QByteArray testo;
    for (int i = 0; i < caratteri; ++i) {
        const int b = byteA(riga, posizione + 2 * i);
        if (b < 0)
            return {};
        testo += char(b);
    }
    return testo;
}

QString NomeSoftwareDaIntestazione(QByteArrayView riga)
{
    const QString nome = QString::fromLatin1(TestoIntestazione(riga, 17, 4));
    return nome.size() == 4 && Files::ComponenteValido(nome) ? nome : QString();
}

int CercoSoftware(const QString& nomeFile, QString& nome, int tipoCentralina)
{
    nome.clear();
    const QString p = TrovoFile(nomeFile);
    QFile f(p);
    if (!QFileInfo(p).isFile() || !f.open(QIODevice::ReadOnly))
        return 1;
    QByteArray riga = f.readLine(4096);
    while (riga.endsWith('\n') || riga.endsWith('\r'))
        riga.chop(1);
    nome = NomeSoftwareDaIntestazione(riga);
    if (nome.isEmpty())
        return 1;
    const QString s19 = Files::PercorsoApp(QStringLiteral("SOFTWARE/") + DueCifre(tipoCentralina) + QLatin1Char('/')
                                           + nome + QLatin1Char('/') + nome + QStringLiteral(".S19"));
    return QFileInfo(s19).isFile() ? 0 : 2;
}

bool SommoChecksum(QByteArrayView record, uint32_t& somma, bool& primo)
{
    RecordS r;
    if (!LeggoRecordS(record, r))
        return false;
    const bool conta = (r.Tipo == '1' && r.Indirizzo >= 0x4000)
                       || (r.Tipo == '2' && r.Indirizzo >= 0x10000 && r.Indirizzo <= 0x3FFF7);
    if (!conta)
        return true;
    QByteArray byte = r.Dati;
    byte += char(r.Checksum);
    for (qsizetype i = 0; i + 1 < byte.size(); i += 2) {
        const uint32_t parola = (uint32_t(uint8_t(byte[i])) << 8) | uint8_t(byte[i + 1]);
        if (primo) {
            somma = parola;
            primo = false;
        } else {
            somma ^= parola;
        }
    }
    return true;
}

namespace {

// The map record at 0x5606 with the revision day, month, year and the installation type
// written into its words 4 to 7 and the checksum recomputed.
bool patchoRecord5606(QByteArrayView riga, const DatiProgrammazione& dati, QDate oggi, QByteArray& uscita)
{
    RecordS r;
    if (!LeggoRecordS(riga, r) || r.Dati.size() < 16)
        return false;
    int giorno = 0, mese = 0, anno = 0;
    if (!numero(dati.AutoImp[3], giorno) || !numero(dati.AutoImp[4], mese) || !numero(dati.AutoImp[5], anno))
        return false;
    QDate revisione(anno, mese, giorno);
    if (!revisione.isValid())
        return false;
    if (oggi > revisione)
        revisione = oggi;
    uscita = riga.toByteArray();
    uscita.replace(24, 4, Esadecimale(uint32_t(revisione.day()), 4));
    uscita.replace(28, 4, Esadecimale(uint32_t(revisione.month()), 4));
    uscita.replace(32, 4, Esadecimale(uint32_t(revisione.year()), 4));
    uscita.replace(36, 4, Esadecimale(uint32_t(dati.TipoInstallazione) & 0xFFFF, 4));
    uscita.chop(2);
    uscita += CalcoloChecksum(uscita);
    return true;
}

// "S1 0B 800E" and the eight characters ddmmyyyy of the installation date as hex codes.
QByteArray recordDataInstallazione(const DatiProgrammazione& dati)
{
    const QByteArray data = destraZeri(dati.AutoImp[0], 2) + destraZeri(dati.AutoImp[1], 2)
                            + destraZeri(dati.AutoImp[2], 4);
    QByteArray corpo = "0B800E";
    for (const char c : data)
        corpo += Esadecimale(uint8_t(c), 2);
    return "S1" + corpo + CalcoloChecksum(corpo);
}

} // namespace

int ComponoProgrammazione(const QByteArray& software, const QByteArray& mappa,
                          const QByteArray& tabellaPWM, const QByteArray& tabellaPCM,
                          const DatiProgrammazione& dati, QByteArray& immagine)
{
    immagine.clear();
    immagine.reserve(software.size() + mappa.size() + 1024);
    const QDate oggi = dati.Oggi.isValid() ? dati.Oggi : QDate::currentDate();
    const QList<QByteArrayView> righeMappa = RigheTesto(mappa);
    qsizetype im = 0;
    uint32_t sommaA = 0, sommaB = 0;
    bool primoA = true, primoB = true;

    auto scrivo = [&](QByteArrayView riga) {
        immagine += riga;
        immagine += "\r\n";
    };
    auto prossimaMappa = [&](QByteArrayView& riga) {
        while (im < righeMappa.size()) {
            riga = senzaCoda(righeMappa[im++]);
            if (!riga.isEmpty())
                return true;
        }
        return false;
    };
    // The table records replace the map records of the same address, one for one.
    auto tabella = [&](const QByteArray& testo, int codiceDisallineato) {
        for (const QByteArrayView grezza : RigheTesto(testo)) {
            const QByteArrayView riga = senzaCoda(grezza);
            if (riga.isEmpty())
                continue;
            QByteArrayView rigaMappa;
            if (!prossimaMappa(rigaMappa))
                return 99;
            if (campoIndirizzo(rigaMappa) != campoIndirizzo(riga) || campoIndirizzo(riga).isEmpty())
                return codiceDisallineato;
            if (!RecordSValido(riga))
                return 99;
            scrivo(riga);
            SommoChecksum(riga, sommaA, primoA);
            SommoChecksum(riga, sommaB, primoB);
        }
        return 0;
    };

    for (const QByteArrayView grezza : RigheTesto(software)) {
        const QByteArrayView riga = senzaCoda(grezza);
        if (riga.isEmpty())
            continue;
        if (riga.startsWith("S0")) {
            // The map's header takes the place of the software's.
            QByteArrayView intestazione;
            if (!prossimaMappa(intestazione) || !RecordSValido(intestazione))
                return 99;
            scrivo(intestazione);
            continue;
        }
        if (!tipoFine(riga)) {
            if (!RecordSValido(riga))
                return 99;
            scrivo(riga);
            SommoChecksum(riga, sommaA, primoA);
            continue;
        }
        if (!RecordSValido(riga))
            return 99;
        if (const int c = tabella(tabellaPWM, 12); c != 0)
            return c;
        if (const int c = tabella(tabellaPCM, 14); c != 0)
            return c;
        QByteArrayView rigaMappa;
        QByteArray patchata;
        while (prossimaMappa(rigaMappa)) {
            if (!rigaMappa.startsWith("S1") && !rigaMappa.startsWith("S2"))
                continue;
            if (!RecordSValido(rigaMappa))
                return 99;
            if (rigaMappa.startsWith("S1") && campoIndirizzo(rigaMappa) == QByteArrayView("5606")) {
                if (!patchoRecord5606(rigaMappa, dati, oggi, patchata))
                    return 99;
                rigaMappa = patchata;
            }
            scrivo(rigaMappa);
            SommoChecksum(rigaMappa, sommaA, primoA);
            SommoChecksum(rigaMappa, sommaB, primoB);
        }
        const QByteArray data = recordDataInstallazione(dati);
        scrivo(data);
        SommoChecksum(data, sommaA, primoA);
        QByteArray corpo = "05" + Esadecimale(sommaA & 0xFFFF, 4) + Esadecimale(sommaB & 0xFFFF, 4);
        scrivo(QByteArray("S") + riga[1] + corpo + CalcoloChecksum(corpo));
        return 0;
    }
    // A software without end record would give an image the ECU cannot finish.
    return 99;
}

namespace {

// Makes sure the .F19 form of a table exists: 0, `manca` when there is no table at all,
// `fallita` when converting the text form failed.
int preparoTabella(const QString& dirValvole, const QString& radice, const QString& estensione,
                   int righe, uint32_t indirizzo, int manca, int fallita, QString& f19)
{
    if (dirValvole.trimmed().isEmpty())
        return manca;
    f19 = Files::Percorso(dirValvole, radice + QStringLiteral(".F19"));
    if (QFileInfo(f19).isFile())
        return 0;
    const QString testo = Files::Percorso(dirValvole, radice + QLatin1Char('.') + estensione);
    if (!QFileInfo(testo).isFile())
        return manca;
    if (ScrivoRecordS1(testo, f19, 1, righe, indirizzo) != 0)
        return fallita;
    // From now on only the S-record form of the table exists.
    QFile::remove(testo);
    return 0;
}

} // namespace

int CreoFileProgrammazione(const QString& mappaF19, const QString& nome, const QString& fileUscita,
                           const DatiProgrammazione& dati)
{
    const QString nn = DueCifre(dati.TipoCentralina);
    QString pwm, pcm;
    int codice = preparoTabella(dati.DirValvole, QStringLiteral("TABPWM") + nn, QStringLiteral("PWM"),
                                MappaValori::RigheTabellaPWM, 0x4FA6, 11, 12, pwm);
    if (codice == 0)
        codice = preparoTabella(dati.DirValvole, QStringLiteral("TABPCM") + nn, QStringLiteral("PCM"),
                                MappaValori::RigheTabellaPCM, 0x545A, 13, 14, pcm);
    if (codice != 0)
        return codice;

    if (!Files::ComponenteValido(nome) || fileUscita.trimmed().isEmpty())
        return 99;
    const QString cartella = Files::PercorsoApp(QStringLiteral("SOFTWARE/") + nn + QLatin1Char('/') + nome);
    const QString s19 = Files::Percorso(cartella, nome + QStringLiteral(".S19"));
    const QString mappa = TrovoFile(mappaF19);
    if (!QFileInfo(mappa).isFile() || !QFileInfo(s19).isFile())
        return 99;
    QByteArray software, testoMappa, testoPWM, testoPCM, immagine;
    if (!Files::LeggiTutto(s19, software) || !Files::LeggiTutto(mappa, testoMappa)
        || !Files::LeggiTutto(pwm, testoPWM) || !Files::LeggiTutto(pcm, testoPCM))
        return 99;
    codice = ComponoProgrammazione(software, testoMappa, testoPWM, testoPCM, dati, immagine);
    if (codice != 0)
        return codice;
    return Files::ScriviAtomico(fileUscita, immagine) ? 0 : 99;
}

// ---- the software list ----

QList<RigaSoftware> ElencoSoftware()
{
    QList<RigaSoftware> righe;
    const QDir base(Files::PercorsoApp(QStringLiteral("SOFTWARE/02")));
    QStringList cartelle = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    Files::OrdinoNomi(cartelle);
    for (const QString& cartella : cartelle) {
        const QDir d(base.filePath(cartella));
        QStringList file = d.entryList(QDir::Files | QDir::Hidden);
        Files::OrdinoNomi(file);
        const bool kernel = cartella.trimmed().toUpper() == QLatin1String("KERNEL");
        for (const QString& f : file) {
            if (f.right(3).toUpper() != QLatin1String("S19"))
                continue;
            const QString percorso = d.filePath(f);
            righe.append({cartella + QLatin1Char('\\') + f,
                          kernel ? LeggoVersioneS1(percorso) : LeggoVersioneS2(percorso)});
        }
    }
    return righe;
}

// ---- the programming path of the send ----

int CodiceProgrammazione(const QString& versioneSw, bool esisteF19, bool esisteQOX,
                         const std::function<int()>& preparoMappa,
                         const std::function<int(QString&)>& cercoSoftware, QString& nome)
{
    const QString maggiore = versioneSw.mid(0, 2);
    const QString minore = versioneSw.mid(3, 2);
    const bool regolaA = maggiore.compare(QLatin1String("02")) >= 0 && minore.compare(QLatin1String("50")) < 0;
    if (esisteF19) {
        const int s = cercoSoftware(nome);
        if (regolaA)
            return s == 0 ? 3 : 4;
        switch (s) {
        case 0: return 0;
        case 2: return nome.toUpper().endsWith(QLatin1String("AA")) ? 1 : 4;
        default: return 16;
        }
    }
    if (!esisteQOX)
        return 10;
    if (const int c = preparoMappa())
        return c;
    switch (cercoSoftware(nome)) {
    case 0: return regolaA ? 3 : 0;
    case 2: return regolaA ? 1 : 2;
    default: return 16;
    }
}

int MessaggioProgrammazione(int codice)
{
    if (codice >= 1 && codice <= 5)
        return 156 + codice;
    if (codice >= 10 && codice <= 16)
        return 155 + codice;
    return 173;
}

VersioniIntestazione LeggoVersioniIntestazione(QByteArrayView riga)
{
    VersioniIntestazione v;
    const QByteArray mappa = TestoIntestazione(riga, 13, 2);
    if (!mappa.isEmpty())
        v.versioneMappa = QString::number(static_cast<qint64>(Val(QByteArrayView(mappa))));
    v.software = QString::fromLatin1(TestoIntestazione(riga, 17, 4));
    v.progetto = QString::fromLatin1(TestoIntestazione(riga, 37, 5));
    return v;
}
