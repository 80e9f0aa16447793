#pragma once
// The list of a search as you type on the archive: the rows of a table whose key field begins
// with the typed text under the archive's collation, in the order of an index whose first key
// field is that field (equal keys by their hidden key), exactly the rows and the order that
// Archivi::ScorroPrefisso visits. A blank text lists nothing.
//
// Made for a QListView with uniform item sizes: a search reads only a first batch, the view
// asks for the next ones (canFetchMore/fetchMore) as it scrolls, and only the shown field
// and the extra fields asked for are read. The list is a snapshot of the search: a change of
// the table shows after the next search.
#include "platform/Database.h"

#include <QAbstractListModel>
#include <QStringList>

#include <functional>
#include <vector>

class PrefixListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The open database to read, asked at every read (nullptr while none is open), so the
    // list never outlives the database it reads.
    using Fonte = std::function<Db::Database*()>;

    // Rows of `tabella` listed by `campo` (shown, Qt::DisplayRole, a field without value as
    // ""); each of `altri` is read with it and given at role RuoloCampo + its position.
    PrefixListModel(Fonte database, const QString& tabella, const QString& campo, const QStringList& altri = {},
                    QObject* parent = nullptr);

    static constexpr int RuoloSegnalibro = Qt::UserRole;   // the row's bookmark
    static constexpr int RuoloCampo = Qt::UserRole + 1;    // first of `altri`

    // Lists anew the rows whose key begins with `testo` (trimmed), reading the first batch at
    // once; a blank text or no open database empties the list. Throws Db::ErroreDb when the
    // first batch cannot be read (the list is then empty).
    void Cerca(const QString& testo);
    void Svuota();

    QString Testo(int riga) const;
    QVariant Valore(int riga, int altro) const;
    Db::Segnalibro Segnalibro(int riga) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    // Reads the next batch; a database error ends the list where it stands (Interrotta), a
    // closed database ends it silently.
    void fetchMore(const QModelIndex& parent) override;

    // Rows read per batch: the first and each following one (test seam).
    void ImpostaLotti(int primo, int seguenti);

signals:
    // The list was cut short by this engine error while the view scrolled.
    void Interrotta(int numeroErrore);

private:
    struct Voce {
        Db::Segnalibro id = 0;
        QString testo;
        QVariant memorizzato;   // the text as stored (Db::ValoreMemorizzato): the list goes on from it
        QVariantList altri;
    };
    // Reads up to `quanti` rows after the last one listed (from the first key not below the
    // text when none is), up to the first that does not begin with it.
    std::vector<Voce> Leggo(Db::Database& db, int quanti);
    void Carica(Db::Database& db, const QString& dove, const QVariantList& parametri, int quanti,
                std::vector<Voce>& voci);

    Fonte m_database;
    QString m_tabella, m_campo;
    QStringList m_altri;
    QString m_chiave;
    std::vector<Voce> m_voci;
    bool m_fine = true;
    int m_primo = 64, m_seguenti = 256;
};
