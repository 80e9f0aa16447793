// The vehicle screen with 100,000 customers: time per keystroke of the plate and name search
// into the screen's own lists (median and worst), time to load a stored card with the car
// replayed from the demo catalogue, and time to list the models of a 2,000-model make.
// Usage: bench_vehicle [customers] — run with QT_QPA_PLATFORM=offscreen.
#include "archive/Archivio.h"
#include "archive/PrefixListModel.h"
#include "demoarchive/lib/ArchivioDemo.h"
#include "demodata/lib/DemoData.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "support/Tempi.h"
#include "vehicle/SceltaCatalogo.h"
#include "vehicle/Veicolo.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// Types the text one key at a time into a search box of the screen.
void Digito(QLineEdit* box, const QString& testo, std::vector<double>& tempi)
{
    box->clear();
    for (int n = 1; n <= testo.size(); ++n) {
        const auto a = Orologio::now();
        box->setText(testo.left(n));
        tempi.push_back(Ms(a, Orologio::now()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int clienti = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir cartella(QDir::current().filePath("bench-vehicle-XXXXXX"));
    Shell.PathApp = cartella.path();
    Files::ImpostaCartellaProgramma(cartella.path());
    Shell.Lingua = 4;
    QString errore;
    if (!DemoData::ScrivoProgramma(cartella.path(), &errore) ||
        ArchivioDemo::Genera(cartella.path(), clienti, 7, &errore) != clienti) {
        std::fprintf(stderr, "cannot build the demo folder: %s\n", qPrintable(errore));
        return 1;
    }
    Shell.Funzione = 1;
    Veicolo* v = Veicolo::Carica();
    v->Mostra(false);

    std::vector<double> targhe, nomi, carico;
    for (const char* t : {"DEMO1", "AB", "KX123", "ZZZZ", "M", "Q9"})
        Digito(v->Cliente, QString::fromLatin1(t), targhe);
    Riepilogo("keystroke, plate list", targhe);
    v->Nome_Targa_Click();
    size_t massimo = 0;
    for (const char* t : {"ROSSI", "taxi", "GARCÍA", "Kowalski", "B", "zz"}) {
        Digito(v->Ditta_Nome, QString::fromUtf8(t), nomi);
        massimo = std::max<size_t>(massimo, v->ModelloNomi->rowCount());
    }
    Riepilogo("keystroke, name list", nomi);
    std::printf("%-40s %zu entries read at once (the rest as the list scrolls)\n", "longest name list", massimo);
    v->Nome_Targa_Click();

    for (int i = 0; i < 50; ++i) {
        v->Cliente->setText(QStringLiteral("DEMO1"));
        int invio = 13;
        const auto a = Orologio::now();
        v->Cliente_KeyPress(invio);
        carico.push_back(Ms(a, Orologio::now()));
    }
    Riepilogo("card load with the catalogue replay", carico);

    // A make of 2,000 models, every fuel flag in turn.
    QByteArray marca;
    const char* const flag[] = {"G  ", "M  ", "E  ", "GME", " G "};
    for (int i = 0; i < 2000; ++i) {
        const QByteArray k = "M" + QByteArray::number(i);
        marca += ("MODEL " + k).leftJustified(41, ' ') + "   4" + QByteArray("ECU A").leftJustified(40, ' ') +
                 QByteArray("ECU B").leftJustified(40, ' ') + QByteArray(40, ' ') + k.leftJustified(12, ' ') +
                 flag[i % 5] + "\r\n";
    }
    std::vector<double> modelli;
    size_t elencati = 0;
    for (int i = 0; i < 20; ++i) {
        const auto a = Orologio::now();
        elencati = SceltaCatalogo::ElencoModelli(marca, i % 2).size();
        modelli.push_back(Ms(a, Orologio::now()));
    }
    Riepilogo("model list of a 2,000-model make", modelli);
    std::printf("%-40s %zu models\n", "listed (last run)", elencati);
    v->Scarica();
    Archivi::ChiudoArchivio();
    return 0;
}
