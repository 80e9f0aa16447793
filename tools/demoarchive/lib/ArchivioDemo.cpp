#include "demoarchive/lib/ArchivioDemo.h"

#include "archive/Archivio.h"
#include "demodata/lib/DemoData.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QRandomGenerator>
#include <QSet>
#include <QStringList>

namespace ArchivioDemo {

namespace {

const char* const Cognomi[] = {
    "Rossi", "Bianchi", "Ferrari", "Esposito", "Colombo", "Ricci", "Marino", "Greco", "Bruno", "Gallo",
    "Kowalski", "Nowak", "Wiśniewski", "Wójcik", "Kamiński", "Lewandowski", "Zieliński", "Szymański",
    "Dubois", "Lefèvre", "Moreau", "Girard", "Mercier", "Bonnet", "Faure", "Rousseau",
    "García", "Fernández", "López", "Martínez", "Sánchez", "Pérez", "Gómez", "Muñoz", "Núñez", "Ibáñez",
    "Smith", "Taylor", "Brown", "Wilson", "Evans", "Thomas", "Walker", "O'Brien", "D'Angelo", "Łukasik",
};
const char* const Nomi[] = {
    "Mario", "Luca", "Anna", "Giulia", "Piotr", "Agnieszka", "Łucja", "Jérôme", "Hélène", "Marie",
    "José", "María", "Íñigo", "Begoña", "John", "Emily", "Zoë", "Paweł", "Ángel", "Chloé",
};
const char* const Ditte[] = {
    "Trasporti", "Autoservizi", "Taxi", "Consegne", "Noleggi", "Edilizia", "Ortofrutta", "Logistica",
};
const char* const Citta[][3] = {
    {"Roma", "RM", "00100"},     {"Milano", "MI", "20100"},  {"Kraków", "", "30001"},
    {"Gdańsk", "", "80001"},     {"Lyon", "", "69001"},      {"Nîmes", "", "30000"},
    {"Málaga", "", "29001"},     {"A Coruña", "", "15001"},  {"Leeds", "", "LS1"},
    {"Torino", "TO", "10100"},   {"Łódź", "", "90001"},      {"Bari", "BA", "70100"},
};
const char* const Vie[] = {"Via Roma", "ul. Długa", "rue des Lilas", "Calle Mayor", "High Street", "Corso Italia"};
// A car of the demo catalogue: make, model key, petrol ECU (as the card stores it) and fuel.
struct Auto {
    QString marca, modello, centralina;
    int impianto;
};

// Every car the demo catalogue offers: each model with each petrol ECU its slot flags offer,
// for each fuel the flag allows ("E" both, "G" LPG, "M" CNG).
QList<Auto> AutoCatalogo()
{
    QList<Auto> elenco;
    for (const DemoData::Modello& m : DemoData::ModelliProgramma()) {
        const bool vecchia = m.marca == DemoData::MarcaVecchia();
        for (int k = 0; k < 3; ++k) {
            // A legacy record offers its first slot only (a 132-character one for LPG: its flag is "G").
            const QByteArray flags = m.tipo + "   ";
            const char flag = vecchia ? (k == 0 ? flags[0] : ' ') : flags[k];
            if (m.centralina[k].trimmed().isEmpty() || flag == ' ')
                continue;
            for (int gas : {0, 1})
                if (flag == 'E' || (flag == 'G' && gas == 0) || (flag == 'M' && gas == 1))
                    elenco.append({QString::fromLatin1(m.marca), QString::fromLatin1(m.chiave),
                                   QString::fromLatin1(m.centralina[k].left(25)), gas});
        }
    }
    return elenco;
}

QStringList ValvoleCatalogo()
{
    QStringList elenco;
    for (const DemoData::Valvola& v : DemoData::ValvoleProgramma())
        elenco << QString::fromLatin1(v.descrizione.trimmed());
    return elenco;
}

template <class T, size_t N>
const T& Scegli(QRandomGenerator& r, const T (&a)[N])
{
    return a[r.bounded(static_cast<quint32>(N))];
}

QString Cifre(QRandomGenerator& r, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar('0' + r.bounded(10));
    return s;
}

QString Lettere(QRandomGenerator& r, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar('A' + r.bounded(26));
    return s;
}

} // namespace

int Genera(const QString& cartellaProgramma, int numero, quint32 seme, QString* errore)
{
    const QString prima = Shell.PathApp;
    Shell.PathApp = cartellaProgramma;
    Files::ImpostaCartellaProgramma(cartellaProgramma);
    Archivi::CreoArchivio();
    int aggiunti = 0;
    try {
        if (Archivio.ErroreCreazione != 0)
            throw Db::ErroreDb(Archivio.ErroreCreazione, "the archive cannot be created");
        auto db = Db::Database::Apri(Archivi::FileArchivio(), true, false);
        auto rs = db->ApriTabella("CLIENTI");
        // Invented customers never go into an archive that holds real ones.
        if (rs->Conta() > 0)
            throw Db::ErroreDb(Db::Err::DatabaseEsiste, "the archive already holds customers: " + Archivi::FileArchivio());
        QRandomGenerator r(seme);
        QSet<QString> targhe;
        const QList<Auto> automobili = AutoCatalogo();
        const QStringList valvole = ValvoleCatalogo();
        db->Inizia();
        while (aggiunti < numero) {
            QString targa;
            // The first customer is always the same demonstration card.
            if (aggiunti == 0)
                targa = QStringLiteral("DEMO1");
            else
                do {
                    targa = Lettere(r, 2) + Cifre(r, 3) + Lettere(r, 2);
                } while (targhe.contains(targa));
            targhe.insert(targa);
            const bool ditta = r.bounded(5) == 0;
            const QString cognome = QString::fromUtf8(Scegli(r, Cognomi));
            QString nome = ditta ? QString::fromUtf8(Scegli(r, Ditte)) + " " + cognome
                                 : cognome.toUpper() + " " + QString::fromUtf8(Scegli(r, Nomi));
            if (aggiunti == 0)
                nome = QStringLiteral("ROSSI MARIO");
            const Auto& car = automobili[aggiunti == 0 ? 0 : int(r.bounded(quint32(automobili.size())))];
            const QString valvola = valvole.value(aggiunti == 0 ? 0 : int(r.bounded(quint32(valvole.size()))));
            const auto& citta = Scegli(r, Citta);
            const QDate installo = QDate(2000, 1, 1).addDays(r.bounded(9000));
            const QDate revisione = installo.addDays(365 + r.bounded(3 * 365));
            rs->AddNew();
            rs->Imposta("TIPO_DITTA", ditta ? 0 : 1);
            rs->Imposta("DITTA_NOME", nome.left(50));
            rs->Imposta("INDIRIZZO", QString::fromUtf8(Scegli(r, Vie)) + " " + QString::number(1 + r.bounded(200)));
            rs->Imposta("CAP", QString::fromUtf8(citta[2]));
            rs->Imposta("CITTA", QString::fromUtf8(citta[0]));
            rs->Imposta("PROVINCIA", QString::fromUtf8(citta[1]));
            rs->Imposta("CODICE_FISCALE", ditta ? QString() : Lettere(r, 6) + Cifre(r, 2) + Lettere(r, 1) + Cifre(r, 2) + Lettere(r, 1) + Cifre(r, 3) + Lettere(r, 1));
            rs->Imposta("PARTITA_IVA", ditta ? Cifre(r, 11) : QString());
            rs->Imposta("TELEFONO1", "0" + Cifre(r, 9));
            rs->Imposta("TELEFONO2", r.bounded(3) == 0 ? "3" + Cifre(r, 9) : QString());
            rs->Imposta("TELEFONO3", QString());
            rs->Imposta("NOTE", r.bounded(4) == 0 ? QStringLiteral("Customer since the first installation") : QString());
            rs->Imposta("TARGA_AUTO", Archivi::ChiaveTarga(targa));
            rs->Imposta("DATA_INSTALLO", installo);
            // A few old records never had an overhaul date.
            rs->Imposta("DATA_REVISIONE", r.bounded(40) == 0 ? QVariant() : QVariant(revisione));
            rs->Imposta("NOTE1", QString());
            rs->Imposta("MARCA_AUTO", car.marca);
            rs->Imposta("MODELLO_AUTO", car.modello);
            rs->Imposta("CENTRALINA", car.centralina);
            rs->Imposta("MOD_VALVOLA", valvola.left(25));
            rs->Imposta("IMPIANTO", car.impianto);
            rs->Imposta("TIPOTAB", 0);
            rs->Imposta("TIPO_INSTALLAZIONE", static_cast<int>(r.bounded(2)));
            rs->Imposta("VERSIONE_CEN", static_cast<int>(1 + r.bounded(9)));
            rs->Imposta("VERSIONE_PROG", "02." + Cifre(r, 3));
            rs->Imposta("VERSIONE_ADD", Lettere(r, 1) + Cifre(r, 2));
            rs->Imposta("MATRICOLA", Cifre(r, 8));
            rs->Imposta("LOTTO", Cifre(r, 6));
            rs->Update();
            ++aggiunti;
        }
        db->Conferma();
        db->Chiudi();
    } catch (const Db::ErroreDb& e) {
        if (errore)
            *errore = e.Descrizione;
        aggiunti = -1;
    }
    Shell.PathApp = prima;
    Files::ImpostaCartellaProgramma(prima);
    return aggiunti;
}

} // namespace ArchivioDemo
