// The assistance station's commands: dispatch by code and state, the replies and status
// texts, and the files they stage: the catalogue record, map and limits under TEMPOR, the
// software under SOFTWARE (a ".S19.~zeq" that only the closing FP9 turns into the ".S19",
// its transfer recorded in SOFTWARE\RICEZIONE.~zeq meanwhile).
#include "remote/ModemLink.h"

#include "catalogue/SRecord.h"
#include "diagnosis/DatiMotore.h"
#include "platform/Files.h"
#include "platform/Form.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString Tempor = QStringLiteral("TEMPOR");

QString InTempor(const QString& nome) { return Files::PercorsoApp(Tempor + QLatin1Char('\\') + nome); }

QString FileSoftware(const QString& nome, const QString& estensione)
{
    return Files::PercorsoApp(QStringLiteral("SOFTWARE\\") + nome + estensione);
}

// A status message, with what follows it: the record number of a block, or the file that
// stopped the work.
void Informo(int n, const QString& coda = {})
{
    if (DatiMotore* d = SchermoAssistenza())
        d->MostroInformo(Msg(n) + coda);
}

QString Record(int numero) { return numero < 0 ? QString() : QString::number(numero) + QLatin1Char(')'); }

// A reply goes on the line framed, as everything the program sends to the station.
void Rispondo(const QByteArray& codice, bool ok)
{
    ScrivoModem(PreparoMessaggioGSM(codice.toLower() + (ok ? QByteArrayLiteral("ok") : QByteArrayLiteral("ko01"))));
}

// ---- catalogue record, map and limits ----

// The staged map and limits belong to a committed update until it has been finished.
bool StagingImpegnato() { return QFileInfo::exists(InTempor(QStringLiteral("AGGMARCA.OK"))); }

// ostacolo: the file that could not be finished or removed.
bool CancelloStaging(QString& ostacolo)
{
    // A committed update is finished first; while it cannot be, its files stay as they are.
    if (!ConcludoAggiornamento(&ostacolo))
        return false;
    // A staged file that stays would be taken for this record's: nothing is staged then.
    for (const char* n : {"AGGMARCA.NEW", "FILEQOX.NEW", "LIMITI.NEW", "TAB_VER.NEW"}) {
        const QString p = InTempor(QLatin1String(n));
        QString perche;
        if (QFileInfo(p).isFile() && !Files::Rimuovi(p, &perche) && ostacolo.isEmpty())
            ostacolo = WithReason(p, perche);
    }
    return ostacolo.isEmpty();
}

// A station's name that a FAT-formatted program folder would store as another: it ends in a
// dot or begins or ends with a blank ("X." becomes "X").
bool CambiaSuFat(const QString& nome) { return nome != nome.trimmed() || nome.endsWith(QLatin1Char('.')); }

bool RicevoAggMarca(const QByteArray& trama, QString& ostacolo)
{
    // Whatever the outcome, no older staged file may be applied with this record.
    if (!CancelloStaging(ostacolo))
        return false;
    if (trama.size() != 214)
        return false;
    const QByteArray record = trama.mid(4, 208);
    NomiAggMarca nomi;
    if (!LeggoNomiAggMarca(record, nomi))
        return false;
    for (const QString& n : {nomi.marca, nomi.chiave, nomi.mappa})
        if (CambiaSuFat(n)) {
            ostacolo = n + QStringLiteral(": not a name for a folder or file");
            return false;
        }
    if (!Files::CreaCartella(Files::PercorsoApp(Tempor)))
        return false;
    return Files::ScriviAtomico(InTempor(QStringLiteral("AGGMARCA.NEW")), record + "\r\n");
}

// Where a map block goes: the one the map awaits is staged, the one before it sent again
// (its reply was lost) is acknowledged and not staged twice, any other is refused, so that
// a block refused or lost and not sent again leaves the map short of its last block. The
// block number is characters 4-6 of testo.
enum class BlockPlace { Awaited, Repeated, OutOfOrder };

BlockPlace PlaceOfBlock(const QByteArray& testo, int& blocco)
{
    bool numero = false;
    blocco = testo.mid(3, 3).trimmed().toInt(&numero);
    if (!numero || blocco < 0 || blocco > 999) {
        blocco = numero ? blocco : 0;
        return BlockPlace::OutOfOrder;
    }
    // The station numbers the first block 000 or 001; a first block refused is awaited again.
    if (GSM.NextBlock < 0 && blocco <= 1)
        GSM.NextBlock = blocco;
    if (blocco == GSM.NextBlock)
        return BlockPlace::Awaited;
    return !GSM.MappaDaIniziare && blocco == (GSM.NextBlock + 999) % 1000 ? BlockPlace::Repeated
                                                                          : BlockPlace::OutOfOrder;
}

// testo: the frame without STX, check character and ETX; righe: its data as map lines. The
// first block after a record replaces whatever map was staged before; the others are
// appended to it.
bool ScrivoBloccoMappa(const QByteArray& testo, const QByteArray& righe, int& blocco)
{
    const BlockPlace posto = PlaceOfBlock(testo, blocco);
    if (posto == BlockPlace::OutOfOrder || ConControllo(testo.mid(6)))
        return false;
    if (posto == BlockPlace::Repeated)
        return true;
    const QString p = InTempor(QStringLiteral("FILEQOX.NEW"));
    if (!(GSM.MappaDaIniziare ? Files::ScriviAtomico(p, righe) : Files::AppendoBlocco(p, righe)))
        return false;
    GSM.MappaDaIniziare = false;
    GSM.NextBlock = (blocco + 1) % 1000;
    GSM.MapWhole = testo.at(2) == '9' || testo.at(2) == '8';
    return true;
}

bool ScrivoValoriMappa(const QByteArray& testo, int& blocco)
{
    const QByteArray dati = testo.mid(6);
    QByteArray righe;
    for (qsizetype i = 0; i < dati.size(); i += 6)
        righe += dati.mid(i, 6) + "\r\n";
    return ScrivoBloccoMappa(testo, righe, blocco);
}

bool ScrivoRigaMappa(const QByteArray& testo, int& blocco)
{
    return ScrivoBloccoMappa(testo, testo.mid(6) + "\r\n", blocco);
}

bool RicevoLimiti(const QByteArray& trama)
{
    const QString p = InTempor(QStringLiteral("LIMITI.NEW"));
    if (trama.mid(3, 1) == "0" && QFileInfo(p).isFile() && !QFile::remove(p))
        return false;
    // The data less their last character.
    const QByteArray riga = trama.size() > 7 ? trama.mid(4, trama.size() - 7) : QByteArray();
    if (ConControllo(riga))
        return false;
    return Files::AppendoBlocco(p, riga + "\r\n");
}

// ---- software ----

// The program's own partial files and its record of the transfer carry the program's marker
// "~zeq", as its temporaries do: a person's "<name>.S19.PART" never collides with them. The
// marker is as long as ".PART" was, so every name that fitted still fits.
const QString Parziale = QStringLiteral(".~zeq");
const QString NomeRegistro = QStringLiteral("RICEZIONE.~zeq");

QString RegistroSoftware() { return Files::PercorsoApp(QStringLiteral("SOFTWARE\\") + NomeRegistro); }

// Where the build before kept its record; its partial files ended in ".PART".
QString RegistroPrecedente() { return Files::PercorsoApp(QStringLiteral("SOFTWARE\\RICEZIONE.NEW")); }

// Ends the transfer a record names (the partial files carry the suffix `parziale`): a
// committed one takes its place, the software first; any other loses its partial software.
// The record goes last. A record that is not a regular file is none. ostacolo: the file that
// stopped it, with the reason.
bool ConcludoRegistrato(const QString& registro, const QString& parziale, QString& ostacolo)
{
    if (!QFileInfo(registro).isFile())
        return true;
    QString perche;
    auto ferma = [&](const QString& file) {
        ostacolo = WithReason(file, perche);
        return false;
    };
    QByteArray letto;
    if (!Files::LeggiTutto(registro, letto))
        return ferma(registro);
    // A record naming no transfer (it cannot be, it is written whole) names no file either.
    const QStringList parti = Files::ComponentiValidi(QString::fromUtf8(letto.trimmed()));
    if (parti.size() >= 2) {
        const QString nome = parti.join(QLatin1Char('\\'));
        const QString s19 = FileSoftware(nome, QStringLiteral(".S19") + parziale);
        const QString txt = FileSoftware(nome, QStringLiteral(".TXT") + parziale);
        if (QFileInfo::exists(txt)) {
            const QString s19Finale = FileSoftware(nome, QStringLiteral(".S19"));
            const QString txtFinale = FileSoftware(nome, QStringLiteral(".TXT"));
            if (QFileInfo::exists(s19) && !Files::SostituisciConRinomina(s19, s19Finale, &perche))
                return ferma(s19Finale);
            if (!Files::SostituisciConRinomina(txt, txtFinale, &perche))
                return ferma(txtFinale);
        } else if (QFileInfo::exists(s19) && !Files::Rimuovi(s19, &perche)) {
            return ferma(s19);
        }
    }
    return Files::Rimuovi(registro, &perche) || ferma(registro);
}

// ostacolo: what stopped it (the name refused, or the file with the system's reason).
bool AproFileS19(const QByteArray& dati, QString& ostacolo)
{
    // The transfer recorded before is ended first, so that this one never takes its record.
    if (!CancelloSoftwareParziale(&ostacolo))
        return false;
    const QString ricevuto = TestoStazione(dati).trimmed();
    const QStringList parti = ricevuto.split(QLatin1Char('\\'));
    const auto rifiuto = [&] {
        ostacolo = ricevuto + QStringLiteral(": not a name for software");
        return false;
    };
    if (parti.size() < 2 || parti.size() > 8)
        return rifiuto();
    for (const QString& p : parti)
        if (!Files::ComponenteValido(p) || CambiaSuFat(p))
            return rifiuto();
    // The record's own name is no folder for software.
    if (parti.first().compare(NomeRegistro, Qt::CaseInsensitive) == 0)
        return rifiuto();
    const QString nome = parti.join(QLatin1Char('\\'));
    const QString cartella = Files::PercorsoApp(QStringLiteral("SOFTWARE\\") + parti.mid(0, parti.size() - 1).join(QLatin1Char('\\')));
    QString perche;
    if (!Files::CreaCartella(cartella)) {
        Files::Sostituibile(cartella, &perche);
        ostacolo = WithReason(cartella, perche);
        return false;
    }
    // Partial files of this name carry the program's marker. A description part no transfer
    // committed goes before the record names it, or a start would take it for this transfer's
    // commit and install what arrives.
    const QString txtParziale = FileSoftware(nome, QStringLiteral(".TXT") + Parziale);
    const QFileInfo txt(txtParziale);
    if ((txt.exists() || txt.isSymLink()) && !Files::Rimuovi(txtParziale, &perche)) {
        ostacolo = WithReason(txtParziale, perche);
        return false;
    }
    if (!Files::ScriviAtomico(RegistroSoftware(), nome.toUtf8() + "\r\n", &perche)) {
        ostacolo = WithReason(RegistroSoftware(), perche);
        return false;
    }
    // Whatever stands at the partial name goes first (a link itself, not what it leads to), so
    // the transfer writes a file of its own and never through a link into another one.
    QFile f(FileSoftware(nome, QStringLiteral(".S19") + Parziale));
    perche.clear();
    if (!Files::Rimuovi(f.fileName(), &perche) || !f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (perche.isEmpty())
            perche = f.errorString();
        // A record left behind names no commit: whoever reads it next only clears it.
        ostacolo = WithReason(f.fileName(), perche);
        QFile::remove(RegistroSoftware());
        return false;
    }
    f.close();
    GSM.FileProgrammazione = nome;
    GSM.NumLinea = 0;
    GSM.BufferS19.clear();
    return true;
}

// Appends converted records: CR LF before every "S" unless the file is still empty.
bool ScrivoRecordS19(const QByteArray& testo)
{
    const QString p = FileSoftware(GSM.FileProgrammazione, QStringLiteral(".S19") + Parziale);
    bool vuoto = QFileInfo(p).size() == 0;
    QByteArray blocco;
    blocco.reserve(testo.size() + testo.size() / 16);
    for (char c : testo) {
        if (c == 'S' && !vuoto)
            blocco += "\r\n";
        blocco += c;
        vuoto = false;
    }
    return Files::AppendoBlocco(p, blocco, false);
}

bool RicevoBloccoS19(const QByteArray& dati)
{
    if (GSM.FileProgrammazione.isEmpty())
        return false;
    const QByteArray prima = GSM.BufferS19;
    GSM.BufferS19 += dati;
    ++GSM.NumLinea;
    bool errore = false;
    const QByteArray testo = ConvertoBufferS19(&errore);
    // A block leaving only an "S" or an ESC waiting for the next one is received.
    bool ok = !errore && (!testo.isEmpty() || !GSM.BufferS19.isEmpty());
    if (ok && !testo.isEmpty())
        ok = ScrivoRecordS19(testo);
    if (!ok)
        GSM.BufferS19 = prima;
    return ok;
}

// FP9: the software must be whole (every line a well-formed S-record, nothing left waiting),
// and the software and description files of the name must be ones the atomic rewrite could
// replace (Files::Sostituibile: a read-only file is the person's). The description is then
// written as its partial file, which commits the recorded transfer: it is finished now or
// when the record is next looked at, the software replaced first and its description last.
// ostacolo: the file that stopped it, with the reason.
bool ChiudoFileS19(const QByteArray& dati, QString& ostacolo)
{
    if (GSM.FileProgrammazione.isEmpty())
        return false;
    const QString parziale = FileSoftware(GSM.FileProgrammazione, QStringLiteral(".S19") + Parziale);
    const QByteArray descrizione = dati.left(5);
    QByteArray software;
    if (!GSM.BufferS19.isEmpty() || ConControllo(descrizione) || !Files::LeggiTutto(parziale, software)
        || !RigheRecordS(software))
        return false;
    const QString s19 = FileSoftware(GSM.FileProgrammazione, QStringLiteral(".S19"));
    const QString txtNuovo = FileSoftware(GSM.FileProgrammazione, QStringLiteral(".TXT") + Parziale);
    QString perche;
    for (const QString& f : {s19, FileSoftware(GSM.FileProgrammazione, QStringLiteral(".TXT"))})
        if (!Files::Sostituibile(f, &perche)) {
            ostacolo = WithReason(f, perche);
            return false;
        }
    if (!Files::ScriviAtomico(txtNuovo, descrizione + "\r\n", &perche)) {
        ostacolo = WithReason(txtNuovo, perche);
        return false;
    }
    if (!Files::SostituisciConRinomina(parziale, s19, &perche)) {
        // The refused transfer is taken back: its description part goes or, failing that, the
        // record that would make a start install it (marked files no record names are never
        // acted on, and the next transfer of the name clears them).
        ostacolo = WithReason(s19, perche);
        if (!QFile::remove(txtNuovo))
            QFile::remove(RegistroSoftware());
        return false;
    }
    GSM.FileProgrammazione.clear();
    GSM.BufferS19.clear();
    return ConcludoSoftware(&ostacolo);
}

void AproScambio(DatiMotore* d)
{
    GSM.InvioGSM = true;
    d->MostroScambioRemoto(true);
    d->MostroInformo(Msg(335));
    DatiMotore::ArmoModem(MS_SCAMBIO);
    GSM.StatoGSM = GSM_SCAMBIO;
}

} // namespace

QString WithReason(const QString& nome, const QString& perche)
{
    if (perche.isEmpty() || perche.contains(nome))
        return perche.isEmpty() ? nome : perche;
    return nome + QStringLiteral(": ") + perche;
}

bool ConControllo(const QByteArray& testo)
{
    for (char c : testo) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            return true;
    }
    return false;
}

bool LeggoNomiAggMarca(const QByteArray& record, NomiAggMarca& nomi)
{
    if (record.size() != 208 || ConControllo(record))
        return false;
    nomi.marca = TestoStazione(record.left(20)).trimmed();
    nomi.chiave = TestoStazione(record.mid(185, 12)).trimmed();
    nomi.mappa = TestoStazione(record.mid(200, 8)).trimmed().toUpper();
    return Files::ComponenteValido(nomi.marca) && Files::ComponenteValido(nomi.chiave)
           && Files::ComponenteValido(nomi.mappa);
}

bool ConcludoSoftware(QString* ostacolo)
{
    // A transfer the build before recorded is its own to finish or drop, as that build would.
    QString fermo;
    const bool fatto = ConcludoRegistrato(RegistroPrecedente(), QStringLiteral(".PART"), fermo)
                       && ConcludoRegistrato(RegistroSoftware(), Parziale, fermo);
    if (ostacolo)
        *ostacolo = fermo;
    return fatto;
}

bool CancelloSoftwareParziale(QString* ostacolo)
{
    GSM.FileProgrammazione.clear();
    GSM.BufferS19.clear();
    return ConcludoSoftware(ostacolo);
}

QByteArray ConvertoBufferS19(bool* errore)
{
    static const char* const cifre = "0123456789ABCDEF";
    const QByteArray& b = GSM.BufferS19;
    QByteArray out;
    out.reserve(b.size() * 2);
    auto esadecimale = [&](int v) {
        out += cifre[(v >> 4) & 15];
        out += cifre[v & 15];
    };
    if (errore)
        *errore = false;
    qsizetype i = 0;
    while (i < b.size()) {
        const unsigned char c = static_cast<unsigned char>(b[i]);
        if (c == 27 || c == 'S') {
            if (i + 1 >= b.size())
                break;
            const unsigned char d = static_cast<unsigned char>(b[i + 1]);
            if (c == 'S') {
                out += char(c);
                out += char(d);
            } else if (d < 32) {
                if (errore)
                    *errore = true;
                return {};
            } else {
                esadecimale(d - 32);
            }
            i += 2;
        } else {
            esadecimale(c);
            ++i;
        }
    }
    GSM.BufferS19 = b.mid(i);
    return out;
}

void ElaboroComandoGSM(const QByteArray& trama)
{
    if (trama.size() < 4)
        return;
    const QByteArray codice = trama.mid(1, 3);
    const QByteArray dati = trama.size() > 6 ? trama.mid(4, trama.size() - 6) : QByteArray();
    const int stato = GSM.StatoGSM;
    DatiMotore* d = SchermoAssistenza();

    if (codice == "i00") {
        static const QList<QByteArray> risposte = {"OK", "KO", "NT"};
        if (stato == GSM_ATTESA_IDENTITA && risposte.contains(trama.mid(4, 2).toUpper())) {
            DatiMotore::FermoModem();
            GSM.PrimoInvioGSM = false;
            GSM.InvioGSM = false;
            GSM.StatoGSM = GSM_CONNESSO;
        }
        return;
    }
    if (codice == "S00") {
        if (!d) {
            Rispondo(codice, false);
            return;
        }
        AproScambio(d);
        Rispondo(codice, true);
        return;
    }
    if (codice == "S01") {
        if (d) {
            DatiMotore::FermoModem();
            d->MostroScambioRemoto(false);
        }
        // Software without its closing FP9 is never kept.
        CancelloSoftwareParziale();
        Rispondo(codice, d != nullptr);
        GSM.StatoGSM = GSM_CONNESSO;
        GSM.InvioGSM = false;
        return;
    }

    const char famiglia = codice[1];
    const char tipo = codice[2];
    int richiesto = 0;
    if (codice == "FT0" || codice == "FP0")
        richiesto = GSM_SCAMBIO;
    else if (codice == "FT1" || codice == "FT9" || codice == "FT2" || codice == "FT8")
        richiesto = GSM_BLOCCHI_MAPPA;
    else if (codice == "FL0" || codice == "FL1" || codice == "FL9")
        richiesto = GSM_RIGHE_LIMITI;
    else if (codice == "FP1" || codice == "FP9")
        richiesto = GSM_BLOCCHI_SOFTWARE;
    if (richiesto == 0 || stato != richiesto)
        return;

    DatiMotore::FermoModem();
    const QByteArray testo = trama.mid(1, trama.size() - 3);
    int blocco = 0;
    bool ok = false;
    if (famiglia == 'T' && tipo == '0') {
        GSM.Blocker.clear();
        ok = RicevoAggMarca(trama, GSM.Blocker);
        GSM.AggMarcaRicevuto = ok;
        GSM.MappaDaIniziare = true;
        GSM.NextBlock = -1;
        GSM.MapWhole = false;
        GSM.LimitsLines = {};
        Rispondo(codice, ok);
        Informo(ok ? 340 : 341, CauseText(GSM.Blocker));
        GSM.StatoGSM = GSM_BLOCCHI_MAPPA;
    } else if ((famiglia == 'T' || famiglia == 'L') && StagingImpegnato()) {
        // A committed update that cannot be finished holds the staging: nothing this exchange
        // sends is staged, what stops it stays on the screen, and FL9 ends with it named.
        Rispondo(codice, false);
        if (codice == "FL9")
            Informo(345, CauseText(GSM.Blocker));
        if (codice == "FT9" || codice == "FT8")
            GSM.StatoGSM = GSM_RIGHE_LIMITI;
    } else if (famiglia == 'T') {
        const bool valori = tipo == '1' || tipo == '9';
        ok = valori ? ScrivoValoriMappa(testo, blocco) : ScrivoRigaMappa(testo, blocco);
        Rispondo(codice, ok);
        Informo(valori ? (ok ? 336 : 337) : (ok ? 363 : 364), Record(blocco));
        if (tipo == '9' || tipo == '8')
            GSM.StatoGSM = GSM_RIGHE_LIMITI;
    } else if (famiglia == 'L') {
        // A frame is told by its code and data: its check character is never verified.
        GSM.LimitsLines.Arrives(codice + dati);
        ok = RicevoLimiti(trama);
        GSM.LimitsLines.Handled(codice + dati, ok);
        if (tipo != '9' || !ok) {
            Rispondo(codice, ok);
            Informo(ok ? 342 : 343);
        } else if (!GSM.LimitsLines.Whole()) {
            // A limits line refused and not sent again: the limits are short, nothing is applied.
            GSM.StatoGSM = GSM_AGGIORNAMENTO;
            Rispondo(codice, false);
            Informo(343);
        } else {
            GSM.StatoGSM = GSM_AGGIORNAMENTO;
            // A record refused at FT0 may have left an older one staged, and a map short of a
            // block is no map: neither is applied.
            QString ostacolo;
            const bool fatto = GSM.AggMarcaRicevuto && GSM.MapWhole && AggiornoDaAssistenza(&ostacolo) == -1;
            Rispondo(codice, fatto);
            Informo(fatto ? 344 : 345, CauseText(ostacolo.isEmpty() ? GSM.Blocker : ostacolo));
        }
    } else if (tipo == '0') {
        GSM.StatoGSM = GSM_BLOCCHI_SOFTWARE;
        GSM.SoftwareBlocks = {};
        GSM.Blocker.clear();
        Rispondo(codice, AproFileS19(dati, GSM.Blocker));
    } else if (tipo == '1') {
        GSM.SoftwareBlocks.Arrives(codice + dati);
        ok = RicevoBloccoS19(dati);
        GSM.SoftwareBlocks.Handled(codice + dati, ok);
        Rispondo(codice, ok);
        Informo(ok ? 338 : 339, Record(GSM.NumLinea));
    } else {
        // A block refused and not sent again leaves the software short of a record.
        GSM.SoftwareBlocks.Arrives(codice + dati);
        QString ostacolo = GSM.Blocker;
        ok = GSM.SoftwareBlocks.Whole() && ChiudoFileS19(dati, ostacolo);
        Rispondo(codice, ok);
        if (!ok)
            Informo(345, CauseText(ostacolo));
    }
    DatiMotore::AvvioModem();
}
