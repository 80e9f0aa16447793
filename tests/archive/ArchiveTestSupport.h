#pragma once
// Helpers for the archive tests: filling customers through the database layer.
#include "archive/Archivio.h"
#include "platform/Files.h"

#include <QDate>
#include <QString>

// Adds one customer through the table-type recordset (plate normalised as the writer does).
inline void AggiungoCliente(Db::Recordset& rs, const QString& targa, const QString& nome,
                            const QDate& revisione = QDate(), int tipoDitta = 1,
                            const QString& provincia = QString())
{
    rs.AddNew();
    rs.Imposta("TARGA_AUTO", Archivi::ChiaveTarga(targa));
    rs.Imposta("DITTA_NOME", nome);
    rs.Imposta("TIPO_DITTA", tipoDitta);
    rs.Imposta("INDIRIZZO", "Via Roma 1");
    rs.Imposta("CAP", "00100");
    rs.Imposta("CITTA", "Roma");
    rs.Imposta("PROVINCIA", provincia);
    if (revisione.isValid())
        rs.Imposta("DATA_REVISIONE", revisione);
    rs.Imposta("DATA_INSTALLO", QDate(2001, 5, 4));
    rs.Update();
}

// Creates the archive in the current program folder and opens it (no screens, no boxes).
inline void CreoEApro()
{
    Archivi::CreoArchivio();
    Archivio.DbArchivio = Db::Database::Apri(Archivi::FileArchivio(), true, false);
    Archivio.RsClienti = Archivio.DbArchivio->ApriTabella("CLIENTI");
}
