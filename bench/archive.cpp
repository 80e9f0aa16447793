// Customer archive with 100,000 customers: time to open it (the first opening after the file
// was written by another program, which checks the whole file; the later ones of the same run,
// which find it as the program left it; the first opening of a new run, which checks the whole
// file again even when nothing touched it), time per
// keystroke of the search as you type on names and on plates (median and worst), the same
// keystrokes typed into the look-up screen up to its first screenful of names painted
// (offscreen), the worst page step scrolling a long list to its end, time to save one
// customer (one synced transaction), and the openings that follow a save of the same run.
// Usage: bench_archive [customers] — the archive is built in a temporary folder under the
// current directory, so saves pay the real disk's sync.
#include "archive/Archivio.h"
#include "archive/Cancella.h"
#include "archive/Collazione.h"
#include "demoarchive/lib/ArchivioDemo.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "support/Tempi.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// Types `testo` one key at a time into a search over `campo`, as the look-up screen does.
void Digito(Db::Recordset& rs, const char* indice, const char* campo, const QString& testo,
            std::vector<double>& tempi, size_t& righe)
{
    for (int n = 1; n <= testo.size(); ++n) {
        QStringList elenco;
        const auto a = Orologio::now();
        rs.ImpostaIndice(indice);
        Archivi::ScorroPrefisso(rs, campo, testo.left(n), [&] { elenco << rs.Valore(campo).toString(); });
        tempi.push_back(Ms(a, Orologio::now()));
        righe = std::max<size_t>(righe, elenco.size());
    }
}

// Types `testo` one key at a time into the look-up screen's name box: from the keystroke to
// the list's first screenful painted.
void DigitoSchermo(Cancella& c, const QString& testo, std::vector<double>& tempi)
{
    for (int n = 1; n <= testo.size(); ++n) {
        const auto a = Orologio::now();
        c.Ditta_Nome->setText(testo.left(n));
        QCoreApplication::processEvents();
        c.ElencoNomi->viewport()->repaint();
        tempi.push_back(Ms(a, Orologio::now()));
    }
}

// Scrolls the name list from its top to its end one page at a time: time of each step.
void ScorroFino(Cancella& c, std::vector<double>& tempi, int& righe)
{
    QScrollBar* barra = c.ElencoNomi->verticalScrollBar();
    for (int passi = 0; passi < 100000; ++passi) {
        const auto a = Orologio::now();
        barra->setValue(barra->value() + barra->pageStep());
        QCoreApplication::processEvents();
        c.ElencoNomi->viewport()->repaint();
        tempi.push_back(Ms(a, Orologio::now()));
        if (barra->value() >= barra->maximum() && !c.ElencoNomi->model()->canFetchMore(QModelIndex()))
            break;
    }
    righe = c.ElencoNomi->model()->rowCount();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Shell.Lingua = 4;
    const int clienti = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir cartella(QDir::current().filePath("bench-archive-XXXXXX"));
    Shell.PathApp = cartella.path();
    Files::ImpostaCartellaProgramma(cartella.path());

    auto a = Orologio::now();
    QString errore;
    if (ArchivioDemo::Genera(cartella.path(), clienti, 7, &errore) != clienti) {
        std::fprintf(stderr, "cannot build the archive: %s\n", qPrintable(errore));
        return 1;
    }
    std::printf("archive of %d customers built in %.0f ms (%lld bytes)\n", clienti, Ms(a, Orologio::now()),
                static_cast<long long>(QFileInfo(Archivi::FileArchivio()).size()));

    // The archive was written by the generator's own connection: the first opening checks the
    // whole file, the later ones find it as the program left it. The state is reset as a new
    // run would find it.
    Archivio.reset();
    std::vector<double> prima, apertura;
    for (int i = 0; i < 6; ++i) {
        a = Orologio::now();
        Archivi::CreoArchivio();
        auto db = Db::Database::Apri(Archivi::FileArchivio(), true, false);
        auto rs = db->ApriTabella("CLIENTI");
        (i == 0 ? prima : apertura).push_back(Ms(a, Orologio::now()));
    }
    Riepilogo("first open (check + exclusive open)", prima);
    Riepilogo("later open (exclusive open)", apertura);
    std::vector<double> nuovaEsecuzione;
    for (int i = 0; i < 5; ++i) {
        Archivio.reset();
        a = Orologio::now();
        Archivi::CreoArchivio();
        auto db = Db::Database::Apri(Archivi::FileArchivio(), true, false);
        auto rs = db->ApriTabella("CLIENTI");
        nuovaEsecuzione.push_back(Ms(a, Orologio::now()));
    }
    Riepilogo("first open of a new run (check)", nuovaEsecuzione);

    auto db = Db::Database::Apri(Archivi::FileArchivio(), true, false);
    auto rs = db->ApriTabella("CLIENTI");
    std::vector<double> nomi, targhe;
    size_t massimo = 0, massimoTarghe = 0;
    for (const char* t : {"ROSSI MARIO", "rossi", "Nuñez", "kowalski piotr", "d'angelo", "Trasporti Bruno", "zz", "a",
                          "łukasik", "Garcia Jose"})
        Digito(*rs, "PER_NOME", "DITTA_NOME", QString::fromUtf8(t), nomi, massimo);
    for (const char* t : {"AB123CD", "ZZ999ZZ", "QW", "M", "ab", "k7"})
        Digito(*rs, "PER_TARGA_AUTO", "TARGA_AUTO", QString::fromUtf8(t), targhe, massimoTarghe);
    Riepilogo("name search, per keystroke", nomi);
    std::printf("%-34s %zu names\n", "  longest name list", massimo);
    Riepilogo("plate search, per keystroke", targhe);
    std::printf("%-34s %zu plates\n", "  longest plate list", massimoTarghe);

    {
        // The look-up screen on the archive held open, as the archive menu holds it.
        Archivio.DbArchivio = std::move(db);
        Archivio.RsClienti = std::move(rs);
        Cancella* c = Cancella::Carica();
        c->show();
        c->Nome_Targa_Click();
        QCoreApplication::processEvents();
        std::vector<double> schermo, pagine;
        for (const char* t : {"ROSSI MARIO", "rossi", "Nuñez", "kowalski piotr", "d'angelo", "Trasporti Bruno", "zz",
                              "a", "łukasik", "Garcia Jose"}) {
            c->Ditta_Nome->clear();
            QCoreApplication::processEvents();
            DigitoSchermo(*c, QString::fromUtf8(t), schermo);
        }
        Riepilogo("screen: keystroke to first names", schermo);
        int righe = 0;
        c->Ditta_Nome->setText("a");
        QCoreApplication::processEvents();
        ScorroFino(*c, pagine, righe);
        Riepilogo("screen: page step scrolling \"a\"", pagine);
        std::printf("%-34s %d names\n", "  list scrolled to its end", righe);
        c->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        db = std::move(Archivio.DbArchivio);
        rs = std::move(Archivio.RsClienti);
    }

    std::vector<double> nuovi, modifiche;
    for (int i = 0; i < 50; ++i) {
        a = Orologio::now();
        rs->AddNew();
        rs->Imposta("TARGA_AUTO", Archivi::ChiaveTarga(QString("BENCH%1").arg(i)));
        rs->Imposta("DITTA_NOME", QString("BENCH CUSTOMER %1").arg(i));
        rs->Imposta("DATA_INSTALLO", QDate(2026, 1, 1));
        rs->Imposta("DATA_REVISIONE", QDate(2026, 1, 1));
        rs->Update();
        nuovi.push_back(Ms(a, Orologio::now()));
        a = Orologio::now();
        rs->ImpostaBookmark(rs->UltimoModificato());
        rs->Edit();
        rs->Imposta("NOTE", "changed");
        rs->Update();
        modifiche.push_back(Ms(a, Orologio::now()));
    }
    Riepilogo("save, new customer", nuovi);
    Riepilogo("save, changed customer", modifiche);

    // Each opening after the program's own save in the same run.
    rs.reset();
    db.reset();
    std::vector<double> dopoSalvataggio;
    for (int i = 0; i < 5; ++i) {
        a = Orologio::now();
        Archivi::CreoArchivio();
        db = Db::Database::Apri(Archivi::FileArchivio(), true, false);
        rs = db->ApriTabella("CLIENTI");
        dopoSalvataggio.push_back(Ms(a, Orologio::now()));
        rs->AddNew();
        rs->Imposta("TARGA_AUTO", Archivi::ChiaveTarga(QString("DOPO%1").arg(i)));
        rs->Imposta("DITTA_NOME", QString("BENCH CUSTOMER AFTER %1").arg(i));
        rs->Update();
        rs.reset();
        db.reset();
    }
    Riepilogo("later open, after a save", dopoSalvataggio);
    return 0;
}
