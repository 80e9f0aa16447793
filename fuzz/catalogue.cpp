// Catalogue records and update files from outside: every line read in every layout, a
// catalogue converted and sorted, and the input imported as a model, rail and software
// update file from a media folder into an empty program folder. Nothing may be written
// outside the program folder and every catalogue written must be whole records.
#include "catalogue/Catalogue.h"
#include "catalogue/MediaImport.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "vehicle/SceltaCatalogo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void Verifica(bool c)
{
    if (!c)
        std::abort();
}

void Scrivo(const QString& p, const QByteArray& d)
{
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));

    for (const QByteArray& riga : CatalogoTesto::Righe(in)) {
        const RecordCatalogo r = RecordCatalogo::DaRiga(riga);
        Verifica(r.Testo().size() == 180 && r.Record().size() == 182);
        Verifica(RigaConvertita(riga).size() == 180);
        const RigaAggiornamento a = AnalizzoRiga(riga);
        Verifica(a.chiave.size() <= 20);
        (void)ValoreTesto(a.valore);
    }

    // The vehicle screen's readers: the model list of a make for either fuel, the legacy
    // rebuild of each listed model with the petrol ECUs it offers, and the rail list.
    for (int gas : {0, 1}) {
        for (const SceltaCatalogo::VoceModello& m : SceltaCatalogo::ElencoModelli(in, gas)) {
            Verifica(m.descrizione.size() == 41 && m.chiave.size() == 12);
            QByteArray record;
            if (SceltaCatalogo::RecordModello(in, QString::fromLatin1(m.chiave), record)) {
                Verifica(record.size() == 180);
                for (const SceltaCatalogo::VoceCentralina& c : SceltaCatalogo::CentralineOfferte(record, gas))
                    Verifica(c.slot >= 1 && c.slot <= 3 && c.nome.size() == 40);
            }
        }
    }
    for (const QString& v : SceltaCatalogo::ElencoValvole(in))
        Verifica(!v.isEmpty());
    (void)SceltaCatalogo::VersioneDaIntestazione(in.left(64));
    (void)SceltaCatalogo::VersioneDaRecord(in.left(8));

    static QTemporaryDir radice;
    const QString prog = radice.path() + "/prog";
    const QString media = radice.path() + "/media";
    QDir(prog).removeRecursively();
    QDir(media).removeRecursively();
    QDir().mkpath(prog);
    Shell.PathApp = prog;
    Files::ImpostaCartellaProgramma(prog);

    // The input as a catalogue: converted and sorted into whole records. A file of whole
    // records stays as it is; any other keeps one record per line that is not blank.
    bool allineato = false;
    bool completo = true;
    qsizetype piene = 0;
    for (const QByteArray& riga : CatalogoTesto::RigheCatalogo(in, 182, &allineato, &completo))
        piene += CatalogoTesto::Spazi(riga).isEmpty() ? 0 : 1;
    Scrivo(prog + "/MAKE.PRN", in);
    const bool convertito = ConvertoFilePRN("MAKE");
    Verifica(convertito == (allineato || completo));
    if (convertito) {
        QFile f(prog + "/MAKE.PRN");
        if (allineato)
            Verifica(f.open(QIODevice::ReadOnly) && f.readAll() == in);
        else
            Verifica((f.exists() ? f.size() : 0) == piene * 182);
        f.close();
        Verifica(!f.exists() || f.size() % 182 == 0);
        Verifica(OrdinoFile(prog + "/MAKE.PRN"));
        Verifica(!f.exists() || f.size() % 182 == 0);
    }
    QFile::remove(prog + "/MAKE.PRN");

    // The input as each kind of update file, with a media tree for a few likely names.
    Scrivo(media + "/UPD.DAT", in);
    for (const char* d : {"A/B/CENTRAL1/X.QOX", "A/B/CENTRAL2/MOTORO02.QOX", "VALVOLE/MODEL_1/T.PWM", "S/02/N/N.S19"})
        Scrivo(media + "/" + d, "1\r\n");
    const int r1 = ImportoModelli("UPD.DAT", media);
    const int r2 = ImportoValvole("UPD.DAT", media);
    const int r3 = ImportoFileDati("UPD.DAT", media);
    for (int r : {r1, r2, r3})
        Verifica(r == -1 || r == 0 || r == 1);

    // Nothing outside the program and media folders; every catalogue is whole records.
    const QStringList fuori = QDir(radice.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    Verifica(fuori.size() <= 2);
    QDirIterator it(prog, {"*.PRN", "*.prn"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        if (fi.fileName().compare("VALVOLE.PRN", Qt::CaseInsensitive) == 0 && fi.absolutePath() == prog)
            Verifica(fi.size() % 180 == 0);
        else
            Verifica(fi.size() % 182 == 0);
    }
    return 0;
}
