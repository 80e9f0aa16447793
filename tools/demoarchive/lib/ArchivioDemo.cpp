#include "demoarchive/lib/ArchivioDemo.h"

#include "archive/Archivio.h"
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
const char* const Marche[] = {"ALDERA", "BRUNO MOTORI", "CAPRA", "DELTA CAR", "ESTIA", "FORNARA"};
const char* const Modelli[] = {"ALD01A", "ALD02B", "BRM100", "CPR_S1", "DLT7", "EST900", "FRN33"};
const char* const Centraline[] = {"SEQ-A 1.4", "MPI 2000", "MONO 1.1", "SEQ-B 1.6"};
const char* const Valvole[] = {"RAIL 4 CIL.", "RAIL 3 CIL.", "RAIL 6 CIL."};

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
        db->Inizia();
        while (aggiunti < numero) {
            QString targa;
            do {
                targa = Lettere(r, 2) + Cifre(r, 3) + Lettere(r, 2);
            } while (targhe.contains(targa));
            targhe.insert(targa);
            const bool ditta = r.bounded(5) == 0;
            const QString cognome = QString::fromUtf8(Scegli(r, Cognomi));
            const QString nome = ditta ? QString::fromUtf8(Scegli(r, Ditte)) + " " + cognome
                                       : cognome.toUpper() + " " + QString::fromUtf8(Scegli(r, Nomi));
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
            rs->Imposta("MARCA_AUTO", QString::fromUtf8(Scegli(r, Marche)));
            rs->Imposta("MODELLO_AUTO", QString::fromUtf8(Scegli(r, Modelli)));
            rs->Imposta("CENTRALINA", QString::fromUtf8(Scegli(r, Centraline)));
            rs->Imposta("MOD_VALVOLA", QString::fromUtf8(Scegli(r, Valvole)));
            rs->Imposta("IMPIANTO", static_cast<int>(r.bounded(2)));
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
    return aggiunti;
}

} // namespace ArchivioDemo
