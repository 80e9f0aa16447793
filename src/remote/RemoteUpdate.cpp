// Applying a catalogue update received from the assistance station: the record joins the
// staging catalogue TEMPOR\<make>.PRN, the model folder follows a changed key, the map and
// the limits go into the folder of the first petrol-ECU slot.
//
// Every refusal is decided before any folder is created or moved, something standing where
// a folder is made or a file replaced included. The update is then
// committed (AGGMARCA.NEW becomes AGGMARCA.OK) and the staged files stay until the
// catalogue, the last step, has been replaced; the commit mark goes after them. Each step
// gives the same result when done again, so an update cut short is finished from what it
// left before anything else touches the staging: at the next start, at the station's next
// catalogue record, at the next update. Every file is replaced whole, never deleted first.
#include "remote/ModemLink.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MediaImport.h"
#include "catalogue/SRecord.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

constexpr qsizetype LungRecord = 182;

QString Chiave(const QByteArray& campo) { return TestoStazione(campo).trimmed().toUpper(); }

bool Vuoto(const QByteArray& campo) { return campo.trimmed().isEmpty(); }

QString InTempor(const QString& nome) { return Files::PercorsoApp(QStringLiteral("TEMPOR\\") + nome); }

// What an update does, decided before anything is written.
struct Piano {
    QString marca, chiave;
    QString vecchiaCartella;   // the model folder that takes the new key, "" none
    int slot = 0;
    QString mappa;             // the map's file name in the slot folder
    QString catalogo;
    QByteArray righe;          // the merged catalogue
    QString ostacolo;          // what stopped it, "" when nothing did or no file is to blame
};

// A received map is held to the checks of the media import: a map of values must be whole,
// an S-record map made of S-records.
bool MappaAccettabile(const QString& nome, const QString& file)
{
    QByteArray testo;
    if (QFileInfo(file).size() > Importo::MassimoBlocco || !Files::LeggiTutto(file, testo))
        return false;
    if (nome.startsWith(QLatin1Char('C')))
        return RigheRecordS(testo);
    if (nome.startsWith(QLatin1Char('M')))
        return MappaValoriIntera(testo);
    return true;
}

// Something stands at this name, a link that leads nowhere included.
bool Presente(const QFileInfo& fi) { return fi.exists() || fi.isSymLink(); }

QString SystemReason(int codice) { return QString::fromLocal8Bit(std::strerror(codice)); }

// What would stop Applico half-way, found before it starts: each folder on the way to the
// slot folder is a folder or is made in one that takes it; each file it replaces is one the
// atomic rewrite can replace, resolved as the rewrite will (through its links, in a folder
// at their end that takes a new file); the staged files it copies are no links. "" when
// nothing does, else the first name in the way and why.
QString Ostacolo(const Piano& p)
{
    for (const char* n : {"FILEQOX.NEW", "LIMITI.NEW"})
        if (QFileInfo(InTempor(QLatin1String(n))).isSymLink())
            return WithReason(InTempor(QLatin1String(n)), QStringLiteral("symbolic link"));
    const QString marca = InTempor(p.marca);
    // A model folder that follows a changed key takes its slot folder and files with it.
    const QString modello = p.vecchiaCartella.isEmpty() ? Files::Percorso(marca, p.chiave) : p.vecchiaCartella;
    const QString centrale = Files::Percorso(modello, QStringLiteral("CENTRAL%1").arg(p.slot));
    QString perche;
    bool daCreare = false;
    for (const QString& c : {marca, modello, centrale}) {
        const QFileInfo fi(c);
        if (Presente(fi) && !fi.isDir())
            return WithReason(c, SystemReason(ENOTDIR));
        // The first folder missing is made in one that must take it; the folders below it
        // are the program's own.
        if (!Presente(fi) && !daCreare) {
            if (!Files::Sostituibile(c, &perche))
                return WithReason(c, perche);
            daCreare = true;
        }
    }
    // The model folder takes its new name in the make folder.
    if (!p.vecchiaCartella.isEmpty()) {
        const QString nuova = Files::Percorso(marca, p.chiave);
        if (Presente(QFileInfo(nuova)))
            return WithReason(nuova, SystemReason(EEXIST));
        if (!Files::Sostituibile(nuova, &perche))
            return WithReason(marca, perche);
    }
    // The files of a slot folder still to be made are new.
    QStringList file;
    if (!daCreare)
        file << Files::Percorso(centrale, p.mappa) << Files::Percorso(centrale, QStringLiteral("LIMITI.TXT"));
    for (const QString& f : file << p.catalogo)
        if (!Files::Sostituibile(f, &perche))
            return WithReason(f, perche);
    return {};
}

// Reads the record file and the staged map and limits, merges the record into the catalogue
// and decides every refusal. Writes nothing but a legacy catalogue's conversion.
bool Preparo(const QString& fileRecord, Piano& p)
{
    QByteArray dati;
    if (!Files::LeggiTutto(fileRecord, dati))
        return false;
    QByteArray agm = CatalogoTesto::Righe(dati).value(0);
    if (agm.size() < 208)
        agm = agm.leftJustified(208, ' ');
    NomiAggMarca nomi;
    if (!LeggoNomiAggMarca(agm.left(208), nomi))
        return false;
    p.marca = nomi.marca;
    p.chiave = nomi.chiave;
    const QByteArray nuovo = agm.mid(20, 180);

    for (int k = 0; k < 3 && p.slot == 0; ++k)
        if (!Vuoto(nuovo.mid(45 + 40 * k, 40)))
            p.slot = k + 1;
    if (p.slot == 0)
        return false;
    p.mappa = nomi.mappa;
    if (nomi.mappa.startsWith(QLatin1Char('C')))
        p.mappa += QStringLiteral(".F19");
    else if (nomi.mappa.startsWith(QLatin1Char('M')))
        p.mappa += QStringLiteral(".QOX");
    QByteArray limiti;
    if (!MappaAccettabile(nomi.mappa, InTempor(QStringLiteral("FILEQOX.NEW")))
        || !Files::LeggiTutto(InTempor(QStringLiteral("LIMITI.NEW")), limiti) || limiti.trimmed().isEmpty())
        return false;

    // Record merge.
    p.catalogo = InTempor(p.marca + QStringLiteral(".PRN"));
    QString vecchiaChiave;
    bool trovato = false;
    if (QFileInfo(p.catalogo).exists()) {
        if (!ConvertoFilePRN(QStringLiteral("TEMPOR\\") + p.marca) || !Files::LeggiTutto(p.catalogo, p.righe)) {
            p.ostacolo = p.catalogo;
            return false;
        }
        const QString descrizione = Chiave(nuovo.left(41));
        for (qsizetype pos = 0; pos + 180 <= p.righe.size(); pos += LungRecord) {
            const QByteArray r = p.righe.mid(pos, 180);
            if (Chiave(r.mid(165, 12)) != p.chiave.toUpper() && Chiave(r.left(41)) != descrizione)
                continue;
            trovato = true;
            vecchiaChiave = TestoStazione(r.mid(165, 12)).trimmed();
            QByteArray unito = nuovo;
            for (int slot = 0; slot < 3; ++slot) {
                const qsizetype at = 45 + 40 * slot;
                if (Vuoto(nuovo.mid(at, 40)))
                    unito.replace(at, 40, r.mid(at, 40));
            }
            p.righe.replace(pos, 180, unito);
            break;
        }
    }
    if (!trovato) {
        if (!p.righe.isEmpty() && !p.righe.endsWith("\r\n"))
            p.righe += "\r\n";
        p.righe += nuovo + "\r\n";
    }

    // The model folder follows a changed key, unless the new key has a folder already.
    if (trovato && vecchiaChiave.toUpper() != p.chiave.toUpper() && Files::ComponenteValido(vecchiaChiave)) {
        const QString cartellaMarca = InTempor(p.marca);
        const QString vecchia = Files::Percorso(cartellaMarca, vecchiaChiave);
        if (QFileInfo(vecchia).isDir()) {
            if (QFileInfo(Files::Percorso(cartellaMarca, p.chiave)).exists())
                return false;
            p.vecchiaCartella = vecchia;
        }
    }
    p.ostacolo = Ostacolo(p);
    return p.ostacolo.isEmpty();
}

// Removes a staged file; true when it is gone, else ostacolo names it.
bool Tolgo(const QString& nome, QString& ostacolo)
{
    const QString file = InTempor(nome);
    QString perche;
    if (!QFileInfo::exists(file) || Files::Rimuovi(file, &perche))
        return true;
    ostacolo = WithReason(file, perche);
    return false;
}

// A finished update's staged files go, the commit mark last.
bool TolgoStaging(QString& ostacolo)
{
    return Tolgo(QStringLiteral("FILEQOX.NEW"), ostacolo) && Tolgo(QStringLiteral("LIMITI.NEW"), ostacolo)
           && Tolgo(QStringLiteral("AGGMARCA.OK"), ostacolo);
}

// The steps of a committed update, then its staged files go (the commit mark last). The
// step that fails names its file in p.ostacolo, with the system's reason where the write
// gives one.
bool Applico(Piano& p)
{
    QString perche;
    auto ferma = [&p, &perche](const QString& dove) {
        p.ostacolo = WithReason(dove, perche);
        return false;
    };
    const QString cartellaMarca = InTempor(p.marca);
    if (!Files::CreaCartella(cartellaMarca))
        return ferma(cartellaMarca);
    if (!p.vecchiaCartella.isEmpty() && QFileInfo(p.vecchiaCartella).isDir()
        && !QDir().rename(p.vecchiaCartella, QDir(cartellaMarca).filePath(p.chiave)))
        return ferma(p.vecchiaCartella);
    const QString centrale =
        Files::Percorso(Files::Percorso(cartellaMarca, p.chiave), QStringLiteral("CENTRAL%1").arg(p.slot));
    const QString mappa = Files::Percorso(centrale, p.mappa);
    const QString limiti = Files::Percorso(centrale, QStringLiteral("LIMITI.TXT"));
    if (!Files::CreaCartella(centrale))
        return ferma(centrale);
    if (!Files::CopiaAtomica(InTempor(QStringLiteral("FILEQOX.NEW")), mappa, &perche))
        return ferma(mappa);
    if (!Files::CopiaAtomica(InTempor(QStringLiteral("LIMITI.NEW")), limiti, &perche))
        return ferma(limiti);
    if (!Files::ScriviAtomico(p.catalogo, p.righe, &perche))
        return ferma(p.catalogo);
    return TolgoStaging(p.ostacolo);
}

} // namespace

bool ConcludoAggiornamento(QString* ostacolo)
{
    const QString fatto = InTempor(QStringLiteral("AGGMARCA.OK"));
    if (!QFileInfo::exists(fatto))
        return true;
    Piano piano;
    bool finito = false;
    // Its map is gone once the catalogue took its place: only the clean-up was left.
    if (!QFileInfo(InTempor(QStringLiteral("FILEQOX.NEW"))).isFile()
        || !QFileInfo(InTempor(QStringLiteral("LIMITI.NEW"))).isFile())
        finito = TolgoStaging(piano.ostacolo);
    else
        finito = Preparo(fatto, piano) && Applico(piano);
    if (!finito && ostacolo)
        *ostacolo = piano.ostacolo;
    return finito;
}

int AggiornoDaAssistenza(QString* ostacolo)
{
    // A committed update left unfinished goes first: the staged files are still its own.
    if (!ConcludoAggiornamento(ostacolo))
        return 0;
    const QString agg = InTempor(QStringLiteral("AGGMARCA.NEW"));
    const QString qox = InTempor(QStringLiteral("FILEQOX.NEW"));
    const QString limiti = InTempor(QStringLiteral("LIMITI.NEW"));
    for (const QString& p : {agg, qox, limiti})
        if (!QFileInfo(p).isFile())
            return 0;
    Piano piano;
    if (!Preparo(agg, piano)) {
        // Refused: this record is never applied.
        QFile::remove(agg);
        if (ostacolo)
            *ostacolo = piano.ostacolo;
        return 0;
    }
    // The commit: what it names is on disk before it.
    if (!Files::Sincronizza(qox) || !Files::Sincronizza(limiti)
        || !Files::SostituisciConRinomina(agg, InTempor(QStringLiteral("AGGMARCA.OK"))))
        return 0;
    if (Applico(piano))
        return -1;
    if (ostacolo)
        *ostacolo = piano.ostacolo;
    return 0;
}

void RiordinoDopoInterruzione()
{
    ConcludoAggiornamento();
    ConcludoSoftware();
}
