#include "catalogue/MediaImport.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MapFiles.h"
#include "catalogue/SoftwareLibrary.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

using namespace CatalogoTesto;

namespace {

QString Latino(const QByteArray& b) { return QString::fromLatin1(b); }

// The system's limit on the length of a path.
#ifdef PATH_MAX
constexpr qsizetype MassimoPercorso = PATH_MAX;
#else
constexpr qsizetype MassimoPercorso = 260;
#endif

// The folders a block's INIZIO names below the program folder: none when it is empty; false
// when it is given but is not a relative path of valid names, or when the folder's path would
// pass the system's limit (refused at once: it could never be made, and looking it up level
// by level would take minutes).
bool CartelleInizio(const QByteArray& testo, QStringList& inizio)
{
    inizio.clear();
    if (testo.isEmpty())
        return true;
    if (QFile::encodeName(Files::CartellaProgramma() + QLatin1Char('/') + Latino(testo)).size() >= MassimoPercorso)
        return false;
    inizio = Files::ComponentiValidi(Latino(testo));
    return !inizio.isEmpty();
}

// Path below a media folder, each component looked up without regard to case. Empty when a
// component is a symbolic link: nothing on the media is reached through a link.
QString SuSupporto(const QString& radice, const QStringList& componenti)
{
    QString p = Files::Percorso(radice, QString());
    for (const QString& c : componenti) {
        p = Files::Trova(p, c);
        if (QFileInfo(p).isSymLink())
            return {};
    }
    return p;
}

bool CartellaSupporto(const QString& radice, const QStringList& componenti)
{
    const QString p = SuSupporto(radice, componenti);
    if (p.isEmpty())
        return false;
    const QFileInfo fi(p);
    return fi.isDir() && !fi.isSymLink();
}

// An update file read line by line as Righe splits a text (CR LF, LF or CR end a line; a
// Ctrl-Z ends the text), a piece at a time: memory holds at most one line of `limite` bytes
// and one piece of the file, however large the file is.
class LettoreAggiornamento {
public:
    explicit LettoreAggiornamento(qint64 limite) : m_limite(limite) {}

    // False when the file is missing, not a regular file (a link included) or unreadable.
    bool Apro(const QString& cartella, const QString& nomeFile)
    {
        if (!Files::ComponenteValido(nomeFile))
            return false;
        const QString p = SuSupporto(cartella, {nomeFile});
        if (p.isEmpty())
            return false;
        const QFileInfo fi(p);
        if (!fi.isFile() || fi.isSymLink())
            return false;
        m_file.setFileName(p);
        return m_file.open(QIODevice::ReadOnly);
    }

    // The next line without its end; false at the end of the text and after an error
    // (a read error or a line longer than the limit: Errore() tells).
    bool Riga(QByteArray& riga)
    {
        for (;;) {
            if (m_fine)
                return false;
            // Bytes already searched are not searched again when more of a long line arrives.
            const char* const dati = m_buffer.constData();
            const char* const fine = dati + m_buffer.size();
            const char* p = std::find_if(dati + std::max(m_inizio, m_cercato), fine,
                                         [](char c) { return c == '\r' || c == '\n' || c == '\x1a'; });
            const qsizetype i = p - dati;
            m_cercato = i;
            const bool trovata = i < m_buffer.size();
            // A CR that ends the piece read may be the first half of CR LF.
            if (trovata && !(m_buffer.at(i) == '\r' && i + 1 == m_buffer.size() && !m_finito)) {
                riga = m_buffer.mid(m_inizio, i - m_inizio);
                if (m_buffer.at(i) == '\x1a') {
                    m_fine = true;
                    return !riga.isEmpty();
                }
                m_inizio = i + ((m_buffer.at(i) == '\r' && i + 1 < m_buffer.size() && m_buffer.at(i + 1) == '\n') ? 2 : 1);
                return true;
            }
            if (m_finito) {
                m_fine = true;
                riga = m_buffer.mid(m_inizio);
                return !riga.isEmpty();
            }
            if (m_buffer.size() - m_inizio > m_limite) {
                m_errore = true;
                m_fine = true;
                return false;
            }
            if (!Leggo())
                return false;
        }
    }

    bool Errore() const { return m_errore; }

private:
    bool Leggo()
    {
        m_buffer.remove(0, m_inizio);
        m_cercato -= m_inizio;
        m_inizio = 0;
        const qsizetype prima = m_buffer.size();
        m_buffer.resize(prima + Pezzo);
        const qint64 n = m_file.read(m_buffer.data() + prima, Pezzo);
        if (n < 0) {
            m_errore = true;
            m_fine = true;
            return false;
        }
        m_buffer.resize(prima + n);
        m_finito = n == 0;
        return true;
    }

    static constexpr qint64 Pezzo = 64 * 1024;
    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_inizio = 0;   // start of the next line in the buffer
    qsizetype m_cercato = 0;  // the buffer holds no line end before this
    qint64 m_limite;
    bool m_finito = false;   // the file has no more bytes
    bool m_fine = false;     // no more lines
    bool m_errore = false;
};

// INIZIO value: trimmed, one leading and one trailing "\" removed.
QByteArray ValoreInizio(const QByteArray& valore)
{
    QByteArray v = Spazi(valore);
    if (v.startsWith('\\'))
        v.remove(0, 1);
    if (v.endsWith('\\'))
        v.chop(1);
    return v;
}

// The copies of every entry of a media folder into the target folder (upper-cased names when
// told): each entry with the target it replaces. False when an entry may not be copied: only
// regular files with names that decode and are acceptable are.
bool CopieCartella(const QString& sorgente, const QString& destinazione, bool maiuscolo,
                   QList<std::pair<QString, QString>>& copie)
{
    copie.clear();
    if (!Files::NomiIllegibili(sorgente).isEmpty())
        return false;
    QDir d(sorgente);
    const QFileInfoList voci = d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                               QDir::Name);
    for (const QFileInfo& fi : voci) {
        const QString nome = maiuscolo ? fi.fileName().toUpper() : fi.fileName();
        if (fi.isSymLink() || !fi.isFile() || !Files::ComponenteValido(nome))
            return false;
        copie.append({fi.filePath(), Files::Trova(destinazione, nome)});
    }
    return true;
}

// Copies every entry of a media folder into the target folder as CopieCartella lists them;
// anything that may not be copied fails the copy. `copiato` is called with the target name of
// each file copied; its false fails the copy.
bool CopioCartella(const QString& sorgente, const QString& destinazione, bool maiuscolo,
                   const std::function<bool(const QString&)>& copiato = nullptr)
{
    QList<std::pair<QString, QString>> copie;
    if (!CopieCartella(sorgente, destinazione, maiuscolo, copie))
        return false;
    for (const auto& [da, a] : copie) {
        if (!Files::CopiaAtomica(da, a))
            return false;
        if (copiato && !copiato(QFileInfo(a).fileName().toUpper()))
            return false;
    }
    return true;
}

// After a standard map arrives, its S-record form made from the older map is stale. False
// when a stale form is there and cannot be removed: it would stand in for the new map.
// The stale S-record form in `cartella` that a standard map named `nome` makes stale; "" when
// there is none.
QString F19Superato(const QString& cartella, const QString& nome)
{
    const QByteArray n = nome.toUpper().toLatin1();
    if (!n.endsWith("QOX") || n.size() < 4)
        return {};
    const QByteArray radice = n.left(n.size() - 4);
    QByteArray stantio;
    if (radice >= QByteArray("MOTORO02") && radice <= QByteArray("MOTORO99"))
        stantio = "C_GPL" + n.mid(6, 2) + ".F19";
    else if (radice >= QByteArray("METANO02") && radice <= QByteArray("METANO99"))
        stantio = "C_META" + n.mid(6, 2) + ".F19";
    if (stantio.isEmpty() || !Files::ComponenteValido(Latino(stantio)))
        return {};
    const QFileInfo fi(Files::Trova(cartella, Latino(stantio)));
    return fi.exists() || fi.isSymLink() ? fi.filePath() : QString();
}

bool RimuovoF19Superato(const QString& cartella, const QString& nome)
{
    const QString stantio = F19Superato(cartella, nome);
    return stantio.isEmpty() || QFile::remove(stantio);
}

// Whether a media slot folder may be copied over the target slot folder: every entry has a
// name that decodes, and every standard map (.QOX) that would replace an installed map is a
// whole map, at least the values up to the map version once normalised. A cut map must not
// replace a good one (nor remove its S-record form).
bool SlotPronto(const QString& sorgente, const QString& destinazione)
{
    if (sorgente.isEmpty() || !Files::NomiIllegibili(sorgente).isEmpty())
        return false;
    const QFileInfoList voci = QDir(sorgente).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& fi : voci) {
        const QString nome = fi.fileName().toUpper();
        if (!nome.endsWith(QLatin1String(".QOX")) || !QFileInfo::exists(Files::Trova(destinazione, nome)))
            continue;
        QByteArray testo;
        if (!Files::LeggiTutto(fi.filePath(), testo) || !MappaValoriIntera(testo))
            return false;
    }
    return true;
}

// Records of a fixed-length catalogue: record by record when the file is a whole number of
// them, else rebuilt line by line (blank lines dropped, lines padded or cut). False when the
// rebuild would write back fewer records than the file holds.
bool RecordFissi(const QByteArray& dati, int lunghezza, QList<QByteArray>& record)
{
    bool allineato = false;
    bool completo = true;
    const QList<QByteArray> righe = RigheCatalogo(dati, lunghezza, &allineato, &completo);
    record.clear();
    for (const QByteArray& riga : righe) {
        if (!allineato && Spazi(riga).isEmpty())
            continue;
        record.append(Fisso(riga, lunghezza - 2) + "\r\n");
    }
    return completo;
}

QByteArray Unisci(const QList<QByteArray>& record)
{
    QByteArray b;
    for (const QByteArray& r : record)
        b += r;
    return b;
}

bool ChiaveNota(const QByteArray& c, std::initializer_list<const char*> chiavi)
{
    for (const char* k : chiavi)
        if (c == k)
            return true;
    return false;
}

} // namespace

bool MarcaRiservata(const QString& marca)
{
    static const char* const riservate[] = {"VALVOLE", "TEMPOR", "SOFTWARE", "PERSONALIZZATE", "ARCHIVI"};
    const QString m = marca.trimmed();
    for (const char* r : riservate)
        if (m.compare(QLatin1String(r), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool ChiaveFileDati(const QByteArray& chiave)
{
    return chiave >= QByteArray("FILE_DATI_001") && chiave <= QByteArray("FILE_DATI_999");
}

// ---------------------------------------------------------------------------------------
// Model blocks

namespace {

struct BloccoModello {
    QByteArray inizio, marca, modello, descrizione, valvole, tipoPredefinito;
    int slotCorrente = 0;
    bool usato[3] = {false, false, false};
    QByteArray centralina[3];
    QByteArray tipo[3];
};

// Merges a stored fuel flag with the block's flag for the same slot.
char UniscoFlag(char salvato, bool usato, const QByteArray& flagBlocco)
{
    const QByteArray f = Spazi(Maiuscolo(flagBlocco));
    if (salvato == ' ')
        return usato ? 'G' : ' ';
    if (salvato == 'M' || salvato == 'G')
        return (!f.isEmpty() && f != QByteArray(1, salvato)) ? 'E' : salvato;
    return 'E';
}

// Runs the blocks of an update file: every line whose key `accetta` takes must have its ":"
// and goes to `valore` (false there stops the file with an error); END hands the block to
// `scrivo` and starts a new one. -1 when no block was complete, 0 done, 1 stopped at an error
// (a read error, a block over Importo::MassimoBlocco and a last block without END included).
template <class Blocco, class Accetta, class Valore, class Scrivo>
int ScorroBlocchi(const QString& cartella, const QString& nomeFile, bool maiuscolo, Accetta accetta,
                  Valore valore, Scrivo scrivo)
{
    LettoreAggiornamento file(Importo::MassimoBlocco);
    if (!file.Apro(cartella, nomeFile))
        return Importo::Errore;
    int risultato = Importo::Nessuno;
    Blocco b;
    bool aperto = false;     // a line of the table was taken since the last END
    qint64 dimensione = 0;   // bytes of the block read so far
    QByteArray riga;
    while (file.Riga(riga)) {
        dimensione += riga.size() + 1;
        if (dimensione > Importo::MassimoBlocco)
            return Importo::Errore;
        const RigaAggiornamento r = AnalizzoRiga(maiuscolo ? Maiuscolo(riga) : riga);
        if (r.chiave == "END") {
            risultato = scrivo(b);
            b = Blocco();
            aperto = false;
            dimensione = 0;
            if (risultato == Importo::Errore)
                return risultato;
            continue;
        }
        if (!accetta(r.chiave))
            continue;
        if (!r.duePunti || !valore(b, r))
            return Importo::Errore;
        aperto = true;
    }
    if (file.Errore())
        return Importo::Errore;
    // A file cut short after imported blocks: its last block lost its END.
    if (aperto && risultato == Importo::Fatto)
        return Importo::Errore;
    return risultato;
}

// Where a completed model block goes: its make and model key as folder names, the folders its
// INIZIO names, the base folder (INIZIO/MARCA or MARCA) and the media folder of each slot it
// uses.
struct DoveModello {
    QString marca, modello, base;
    QStringList inizio;
    QString supporto[3];   // "" for a slot the block does not use

    // The program's folder of slot k (0..2).
    QString CartellaSlot(int k) const
    {
        return Files::Trova(Files::PercorsoApp(base + QLatin1Char('/') + modello), QStringLiteral("CENTRAL%1").arg(k + 1));
    }
};

// False when the block is incomplete, names what may not be written or lacks the media folder
// of a slot it uses.
bool DoveVaModello(const BloccoModello& b, const QString& cartella, DoveModello& d)
{
    // Complete block
    const bool flag = !b.tipoPredefinito.isEmpty() || !b.tipo[0].isEmpty() || !b.tipo[1].isEmpty()
                      || !b.tipo[2].isEmpty();
    if (b.marca.isEmpty() || b.modello.isEmpty() || b.descrizione.isEmpty() || b.valvole.isEmpty() || !flag)
        return false;

    // Names from the media that become folders and file names.
    d.marca = Latino(b.marca);
    d.modello = Latino(b.modello);
    if (!Files::ComponenteValido(d.marca) || MarcaRiservata(d.marca) || !Files::ComponenteValido(d.modello)
        || b.modello.size() > Catalogo::LunghezzaModello)
        return false;
    if (!CartelleInizio(b.inizio, d.inizio))
        return false;
    d.base = d.inizio.isEmpty() ? d.marca : d.inizio.join(QLatin1Char('/')) + QLatin1Char('/') + d.marca;
    for (int k = 0; k < 3; ++k) {
        if (!b.usato[k])
            continue;
        const QStringList slot{d.marca, d.modello, QStringLiteral("CENTRAL%1").arg(k + 1)};
        if (!CartellaSupporto(cartella, slot))
            return false;
        d.supporto[k] = SuSupporto(cartella, slot);
    }
    return true;
}

// The files a model block would write: its catalogue and the copy of each file of its slots.
int BersagliModello(const BloccoModello& b, const QString& cartella, QStringList& bersagli)
{
    DoveModello d;
    if (!DoveVaModello(b, cartella, d))
        return Importo::Errore;
    bersagli << PercorsoCatalogo(d.base);
    for (int k = 0; k < 3; ++k) {
        QList<std::pair<QString, QString>> copie;
        if (b.usato[k] && !CopieCartella(d.supporto[k], d.CartellaSlot(k), true, copie))
            return Importo::Errore;
        // The stale S-record form a new map removes counts as replaced too; one that is a link
        // goes as a name, which its folder allows as it allows the map.
        for (const auto& c : copie) {
            bersagli << c.second;
            const QString stantio = F19Superato(d.CartellaSlot(k), QFileInfo(c.second).fileName());
            if (!QFileInfo(stantio).isSymLink())
                bersagli << stantio;
        }
    }
    return Importo::Fatto;
}

// Writes one completed block. Returns the block's result (0 or 1).
int ScrivoBloccoModello(BloccoModello& b, const QString& cartella)
{
    DoveModello d;
    if (!DoveVaModello(b, cartella, d))
        return Importo::Errore;
    const QString& modello = d.modello;
    const QString& base = d.base;
    const QStringList& inizio = d.inizio;
    // Every used slot's media folder must be fit to be copied before anything is written.
    for (int k = 0; k < 3; ++k)
        if (b.usato[k] && !SlotPronto(d.supporto[k], d.CartellaSlot(k)))
            return Importo::Errore;
    if (!inizio.isEmpty() && !Files::CreaCartella(Files::PercorsoApp(inizio.join(QLatin1Char('/')))))
        return Importo::Errore;
    if (b.tipoPredefinito.isEmpty())
        b.tipoPredefinito = "G";

    if (!ConvertoFilePRN(base))
        return Importo::Errore;

    const QString percorso = PercorsoCatalogo(base);
    QByteArray dati;
    if (QFileInfo::exists(percorso) && !Files::LeggiTutto(percorso, dati))
        return Importo::Errore;
    QList<QByteArray> record;
    for (qsizetype p = 0; p + Catalogo::LunghezzaRecord <= dati.size(); p += Catalogo::LunghezzaRecord)
        record.append(dati.mid(p, Catalogo::LunghezzaRecord));

    const QByteArray chiave = Maiuscolo(b.modello);
    bool sostituito = false;
    for (QByteArray& rec : record) {
        RecordCatalogo r = RecordCatalogo::DaRiga(rec.left(Catalogo::LunghezzaTesto));
        if (Maiuscolo(Spazi(r.Modello)) != chiave)
            continue;
        r.Descrizione = Fisso(b.descrizione, Catalogo::LunghezzaDescrizione);
        r.Valvole = Fisso(b.valvole, Catalogo::LunghezzaValvole);
        for (int k = 0; k < 3; ++k) {
            if (!b.usato[k])
                continue;
            r.Centralina[k] = Fisso(b.centralina[k], Catalogo::LunghezzaCentralina);
            if (b.tipo[k].isEmpty())
                b.tipo[k] = b.tipoPredefinito;
        }
        r.Modello = Fisso(chiave, Catalogo::LunghezzaModello);
        for (int k = 0; k < 3; ++k)
            r.Tipo[k] = UniscoFlag(r.Tipo.at(k), b.usato[k], b.tipo[k]);
        rec = r.Record();
        sostituito = true;
        break;
    }
    if (!sostituito) {
        RecordCatalogo r;
        r.Descrizione = Fisso(b.descrizione, Catalogo::LunghezzaDescrizione);
        r.Valvole = Fisso(b.valvole, Catalogo::LunghezzaValvole);
        for (int k = 0; k < 3; ++k) {
            r.Centralina[k] = Fisso(b.centralina[k], Catalogo::LunghezzaCentralina);
            if (b.usato[k] && b.tipo[k].isEmpty())
                b.tipo[k] = b.tipoPredefinito;
            r.Tipo[k] = b.tipo[k].isEmpty() ? ' ' : Maiuscolo(b.tipo[k].left(1)).at(0);
        }
        r.Modello = Fisso(chiave, Catalogo::LunghezzaModello);
        record.append(r.Record());
    }
    // Folder tree and the slot files first: the catalogue never names a model whose folder
    // is not there yet.
    const QString cartellaModello = Files::PercorsoApp(base + QLatin1Char('/') + modello);
    if (!Files::CreaCartella(cartellaModello))
        return Importo::Errore;
    for (int k = 0; k < 3; ++k) {
        if (!b.usato[k])
            continue;
        const QString dest = d.CartellaSlot(k);
        if (!Files::CreaCartella(dest) || !QFileInfo(d.supporto[k]).isDir())
            return Importo::Errore;
        if (!CopioCartella(d.supporto[k], dest, true, [&](const QString& nome) { return RimuovoF19Superato(dest, nome); }))
            return Importo::Errore;
    }
    OrdinoRecord(record);
    return Files::ScriviAtomico(percorso, Unisci(record)) ? Importo::Fatto : Importo::Errore;
}

} // namespace

bool MappaValoriIntera(const QByteArray& testo)
{
    QByteArray normalizzato;
    return NormalizzoTesto(testo, normalizzato)
           && normalizzato.size() / MappaValori::LunghezzaRecord >= MappaValori::MinimoValori;
}

// Reads the model blocks of an update file, handing each completed one to `blocco`.
static int LeggoModelli(const QString& nomeFile, const QString& cartella,
                        const std::function<int(BloccoModello&)>& blocco)
{
    auto accetta = [](const QByteArray& chiave) {
        return ChiaveNota(chiave, {"INIZIO", "MARCA", "MODELLO", "DESCRIZIONE_MODELLO", "VALVOLE_DA_MONTARE",
                                   "VERSIONE_CENTR_BENZ", "CENTRALINA_BENZINA", "TIPO_IMPIANTO"});
    };
    auto valore = [](BloccoModello& b, const RigaAggiornamento& r) {
        const QByteArray v = Spazi(r.valore);
        if (r.chiave == "INIZIO") {
            const QByteArray i = ValoreInizio(r.valore);
            if (!i.isEmpty())
                b.inizio = i;
        } else if (r.chiave == "MARCA") {
            b.marca = Maiuscolo(v);
        } else if (r.chiave == "MODELLO") {
            b.modello = Maiuscolo(v);
        } else if (r.chiave == "DESCRIZIONE_MODELLO") {
            b.descrizione = v;
        } else if (r.chiave == "VALVOLE_DA_MONTARE") {
            b.valvole = v;
        } else if (r.chiave == "VERSIONE_CENTR_BENZ") {
            const double n = std::nearbyint(ValoreTesto(r.valore));
            if (n < 1 || n > 3) {
                b.slotCorrente = 0;
                return false;
            }
            b.slotCorrente = int(n);
            b.usato[b.slotCorrente - 1] = true;
        } else if (r.chiave == "CENTRALINA_BENZINA") {
            if (b.slotCorrente == 0)
                return false;
            b.centralina[b.slotCorrente - 1] = v;
        } else if (r.chiave == "TIPO_IMPIANTO") {
            if (b.slotCorrente == 0)
                b.tipoPredefinito = v;
            else
                b.tipo[b.slotCorrente - 1] = v;
        }
        return true;
    };
    return ScorroBlocchi<BloccoModello>(cartella, nomeFile, false, accetta, valore, blocco);
}

int ImportoModelli(const QString& nomeFile, const QString& cartella)
{
    return LeggoModelli(nomeFile, cartella, [&](BloccoModello& b) { return ScrivoBloccoModello(b, cartella); });
}

// ---------------------------------------------------------------------------------------
// Injector rails

QByteArray CatalogoValvole::Record(const QByteArray& codice, const QByteArray& modello, const QByteArray& descrizione)
{
    return Fisso(codice, 4) + Fisso(modello, 9) + Fisso(descrizione, 165) + "\r\n";
}

namespace {

struct BloccoValvola {
    QByteArray marca, modello, codice, descrizione;
};

// The rail catalogue of one import: read at its first block, written once, whole, after
// the last block (the blocks imported before an error included).
struct CatalogoInCorso {
    QString percorso;
    QList<QByteArray> record;
    bool modificato = false;
};

// The media folder of a completed rail block; "" when the block names another catalogue than
// the rail one, a folder name that may not be written, or no media folder that can be read.
QString SupportoValvola(const BloccoValvola& b, const QString& cartella)
{
    if (b.marca.isEmpty() || b.modello.isEmpty())
        return {};
    const QString marca = Latino(b.marca);
    const QString modello = Latino(b.modello);
    // Only the rail catalogue may be written by this import.
    if (marca.compare(QLatin1String("VALVOLE"), Qt::CaseInsensitive) != 0 || !Files::ComponenteValido(modello))
        return {};
    const QString sorgente = SuSupporto(cartella, {marca, modello});
    if (sorgente.isEmpty() || !QFileInfo(sorgente).isDir() || !Files::NomiIllegibili(sorgente).isEmpty())
        return {};
    return sorgente;
}

QString CatalogoValvoleDi(const BloccoValvola& b) { return Files::PercorsoApp(Latino(b.marca) + QStringLiteral(".PRN")); }
QString CartellaValvolaDi(const BloccoValvola& b) { return Files::PercorsoApp(Latino(b.marca) + QLatin1Char('/') + Latino(b.modello)); }

// The files a rail block would write: the rail catalogue and the copy of each file of the rail.
int BersagliValvola(const BloccoValvola& b, const QString& cartella, QStringList& bersagli)
{
    const QString sorgente = SupportoValvola(b, cartella);
    QList<std::pair<QString, QString>> copie;
    if (sorgente.isEmpty() || !CopieCartella(sorgente, CartellaValvolaDi(b), false, copie))
        return Importo::Errore;
    bersagli << CatalogoValvoleDi(b);
    for (const auto& c : copie)
        bersagli << c.second;
    return Importo::Fatto;
}

int ScrivoBloccoValvola(const BloccoValvola& b, const QString& cartella, CatalogoInCorso& catalogo)
{
    const QString sorgente = SupportoValvola(b, cartella);
    if (sorgente.isEmpty())
        return Importo::Errore;

    if (catalogo.percorso.isEmpty()) {
        const QString percorso = CatalogoValvoleDi(b);
        QByteArray dati;
        if (QFileInfo::exists(percorso) && !Files::LeggiTutto(percorso, dati))
            return Importo::Errore;
        if (!RecordFissi(dati, CatalogoValvole::LunghezzaRecord, catalogo.record))
            return Importo::Errore;
        catalogo.percorso = percorso;
    }

    // The rail's folder first: the catalogue never names a rail whose tables are not there.
    const QString dest = CartellaValvolaDi(b);
    if (!Files::CreaCartella(dest) || !CopioCartella(sorgente, dest, false))
        return Importo::Errore;

    const QByteArray nuovo = CatalogoValvole::Record(b.codice, b.modello, b.descrizione);
    const QByteArray chiave = Maiuscolo(Spazi(b.descrizione));
    bool trovato = false;
    for (QByteArray& rec : catalogo.record) {
        if (Maiuscolo(Spazi(rec.mid(13, 165))) == chiave) {
            rec = nuovo;
            trovato = true;
            break;
        }
    }
    if (!trovato)
        catalogo.record.append(nuovo);
    catalogo.modificato = true;
    return Importo::Fatto;
}

} // namespace

// Reads the rail blocks of VALVOLE.DAT, handing each completed one to `blocco`.
static int LeggoValvole(const QString& nomeFile, const QString& cartella,
                        const std::function<int(BloccoValvola&)>& blocco)
{
    int fileDati = 0;
    auto accetta = [](const QByteArray& chiave) {
        return ChiaveFileDati(chiave) || ChiaveNota(chiave, {"MARCA", "MODELLO", "CODICE_VALVOLA", "DESCR_TIPO_VALVOLE"});
    };
    auto valore = [&](BloccoValvola& b, const RigaAggiornamento& r) {
        const QByteArray v = Spazi(r.valore);
        if (ChiaveFileDati(r.chiave)) {
            if (++fileDati > 3)
                return false;
        } else if (r.chiave == "MARCA") {
            b.marca = v;
        } else if (r.chiave == "MODELLO") {
            b.modello = v;
            fileDati = 0;
        } else if (r.chiave == "CODICE_VALVOLA") {
            b.codice = v;
        } else if (r.chiave == "DESCR_TIPO_VALVOLE") {
            b.descrizione = v;
        }
        return true;
    };
    return ScorroBlocchi<BloccoValvola>(cartella, nomeFile, true, accetta, valore, blocco);
}

int ImportoValvole(const QString& nomeFile, const QString& cartella)
{
    CatalogoInCorso catalogo;
    const int risultato = LeggoValvole(nomeFile, cartella,
                                       [&](BloccoValvola& b) { return ScrivoBloccoValvola(b, cartella, catalogo); });
    if (catalogo.modificato && !Files::ScriviAtomico(catalogo.percorso, Unisci(catalogo.record)))
        return Importo::Errore;
    return risultato;
}

// ---------------------------------------------------------------------------------------
// Software and other data files

namespace {

struct BloccoFileDati {
    QByteArray inizio, marca, modello, file;
};

// Where a completed software block goes: the folders its INIZIO names and the path of the
// file's folder below both the program and the media folder (INIZIO, MARCA, MODELLO), the
// file and the name of its description ("" when the file's name gives none).
struct DoveFileDati {
    QStringList inizio, relativo;
    QString file, descrizione;
};

// False when the block is incomplete or names what may not be written.
bool DoveVaFileDati(const BloccoFileDati& b, DoveFileDati& d)
{
    if (b.modello.isEmpty() || b.marca.isEmpty() || b.file.isEmpty())
        return false;
    const QString marca = Latino(b.marca);
    const QString modello = Latino(b.modello);
    d.file = Latino(b.file);
    if (!Files::ComponenteValido(marca) || !Files::ComponenteValido(modello) || !Files::ComponenteValido(d.file))
        return false;
    if (!CartelleInizio(b.inizio, d.inizio))
        return false;
    d.relativo = d.inizio + QStringList{marca, modello};
    // The description beside the file: the same name with "TXT" for its last three characters.
    const QString descrizione = d.file.left(d.file.size() - 3) + QStringLiteral("TXT");
    if (d.file.size() >= 3 && Files::ComponenteValido(descrizione))
        d.descrizione = descrizione;
    return true;
}

// The description beside the file on the media: whatever stands under its name (which must
// then be a regular file that copies, never a link); "" when nothing does.
QString DescrizioneSupporto(const DoveFileDati& d, const QString& sorgente)
{
    if (d.descrizione.isEmpty())
        return {};
    const QString sd = Files::Trova(QFileInfo(sorgente).path(), d.descrizione);
    const QFileInfo fi(sd);
    return fi.exists() || fi.isSymLink() ? sd : QString();
}

// The files a software block would write: the file and its description.
int BersagliFileDati(const BloccoFileDati& b, const QString& cartella, QStringList& bersagli)
{
    DoveFileDati d;
    if (!DoveVaFileDati(b, d))
        return Importo::Errore;
    const QString sorgente = SuSupporto(cartella, d.relativo + QStringList{d.file});
    if (sorgente.isEmpty() || !QFileInfo(sorgente).isFile())
        return Importo::Errore;
    const QString dest = Files::PercorsoApp(d.relativo.join(QLatin1Char('/')));
    bersagli << Files::Trova(dest, d.file);
    if (!DescrizioneSupporto(d, sorgente).isEmpty())
        bersagli << Files::Trova(dest, d.descrizione);
    return Importo::Fatto;
}

int ScrivoBloccoFileDati(const BloccoFileDati& b, const QString& cartella)
{
    DoveFileDati d;
    if (!DoveVaFileDati(b, d))
        return Importo::Errore;
    if (!d.inizio.isEmpty()) {
        const int creata = CreoPercorso(Files::PercorsoApp(d.inizio.join(QLatin1Char('/'))));
        if (creata != 0)
            return creata;
    }
    const QString dest = Files::PercorsoApp(d.relativo.join(QLatin1Char('/')));
    if (!Files::CreaCartella(dest))
        return Importo::Errore;
    const QString sorgente = SuSupporto(cartella, d.relativo + QStringList{d.file});
    if (sorgente.isEmpty() || !Files::CopiaAtomica(sorgente, Files::Trova(dest, d.file)))
        return Importo::Errore;
    const QString sd = DescrizioneSupporto(d, sorgente);
    if (!sd.isEmpty() && !Files::CopiaAtomica(sd, Files::Trova(dest, d.descrizione)))
        return Importo::Errore;
    return Importo::Fatto;
}

} // namespace

// Reads the software blocks of SOFTWARE.DAT, handing each completed one to `blocco`.
static int LeggoFileDati(const QString& nomeFile, const QString& cartella,
                         const std::function<int(BloccoFileDati&)>& blocco)
{
    auto accetta = [](const QByteArray& chiave) {
        return ChiaveFileDati(chiave) || ChiaveNota(chiave, {"INIZIO", "MARCA", "MODELLO"});
    };
    auto valore = [](BloccoFileDati& b, const RigaAggiornamento& r) {
        const QByteArray v = Spazi(r.valore);
        if (ChiaveFileDati(r.chiave)) {
            b.file = v;
        } else if (r.chiave == "INIZIO") {
            const QByteArray i = ValoreInizio(r.valore);
            if (!i.isEmpty())
                b.inizio = i;
        } else if (r.chiave == "MARCA") {
            b.marca = v;
        } else if (r.chiave == "MODELLO") {
            b.modello = v;
        }
        return true;
    };
    return ScorroBlocchi<BloccoFileDati>(cartella, nomeFile, true, accetta, valore, blocco);
}

int ImportoFileDati(const QString& nomeFile, const QString& cartella)
{
    return LeggoFileDati(nomeFile, cartella, [&](BloccoFileDati& b) { return ScrivoBloccoFileDati(b, cartella); });
}

// ---------------------------------------------------------------------------------------
// The whole update

TipoAggiornamento TipoFileAggiornamento(const QString& nome)
{
    const QString n = nome.toUpper();
    if (n == QLatin1String("VALVOLE.DAT"))
        return TipoAggiornamento::Valvole;
    if (n == QLatin1String("SOFTWARE.DAT"))
        return TipoAggiornamento::FileDati;
    if (n == QLatin1String("VERSOFTWARE.DAT"))
        return TipoAggiornamento::VersioneDati;
    return TipoAggiornamento::Modelli;
}

bool Sostituibili(const QString& nomeFile, const QString& cartella, QString& perche)
{
    QStringList bersagli;
    switch (TipoFileAggiornamento(nomeFile)) {
    case TipoAggiornamento::Valvole:
        LeggoValvole(nomeFile, cartella, [&](BloccoValvola& b) { return BersagliValvola(b, cartella, bersagli); });
        break;
    case TipoAggiornamento::FileDati:
        LeggoFileDati(nomeFile, cartella, [&](BloccoFileDati& b) { return BersagliFileDati(b, cartella, bersagli); });
        break;
    case TipoAggiornamento::VersioneDati:
        bersagli << Files::PercorsoApp(nomeFile.toUpper());
        break;
    case TipoAggiornamento::Modelli:
        LeggoModelli(nomeFile, cartella, [&](BloccoModello& b) { return BersagliModello(b, cartella, bersagli); });
        break;
    }
    bersagli.removeDuplicates();
    bersagli.removeAll(QString());
    // A file in a folder the import has yet to make needs that folder made where it goes.
    for (const QString& b : bersagli)
        if (!Files::Sostituibile(b, &perche))
            return false;
    return true;
}
