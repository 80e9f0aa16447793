#include "archive/PrefixListModel.h"

#include "archive/Collazione.h"

#include <sqlite3.h>

namespace {

QString Virgolette(const QString& nome)
{
    QString n = nome;
    n.replace('"', "\"\"");
    return '"' + n + '"';
}

} // namespace

PrefixListModel::PrefixListModel(Fonte database, const QString& tabella, const QString& campo, const QStringList& altri,
                                 QObject* parent)
    : QAbstractListModel(parent)
    , m_database(std::move(database))
    , m_tabella(tabella)
    , m_campo(campo)
    , m_altri(altri)
{
}

void PrefixListModel::ImpostaLotti(int primo, int seguenti)
{
    m_primo = std::max(1, primo);
    m_seguenti = std::max(1, seguenti);
}

void PrefixListModel::Svuota()
{
    beginResetModel();
    m_voci.clear();
    m_chiave.clear();
    m_fine = true;
    endResetModel();
}

void PrefixListModel::Cerca(const QString& testo)
{
    beginResetModel();
    m_voci.clear();
    Db::Database* db = m_database ? m_database() : nullptr;
    m_chiave = testo.trimmed();
    m_fine = !db || !db->Aperto() || m_chiave.isEmpty();
    try {
        if (!m_fine)
            m_voci = Leggo(*db, m_primo);
    } catch (const Db::ErroreDb&) {
        m_voci.clear();
        m_fine = true;
        endResetModel();
        throw;
    }
    endResetModel();
}

void PrefixListModel::Carica(Db::Database& db, const QString& dove, const QVariantList& parametri, int quanti,
                             std::vector<Voce>& voci)
{
    QString colonne = QString(Db::ChiaveNascosta) + ", " + Virgolette(m_campo);
    for (const QString& a : m_altri)
        colonne += ", " + Virgolette(a);
    const QString sql = "SELECT " + colonne + " FROM " + Virgolette(m_tabella) + " WHERE " + dove + " ORDER BY " +
                        Virgolette(m_campo) + ", " + Db::ChiaveNascosta + " LIMIT ?";
    sqlite3_stmt* st = db.Prepara(sql);
    Db::Lega(st, parametri);
    sqlite3_bind_int(st, parametri.size() + 1, quanti);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Voce v;
        v.id = sqlite3_column_int64(st, 0);
        v.memorizzato = Db::ValoreMemorizzato(st, 1);
        v.testo = Db::Colonna(st, 1, Db::TipoCampo::Testo).toString();
        if (!Collazione::IniziaCon(v.testo, m_chiave)) {
            m_fine = true;
            break;
        }
        for (int i = 0; i < m_altri.size(); ++i)
            v.altri.append(Db::Colonna(st, i + 2, Db::TipoCampo::Altro));
        voci.push_back(std::move(v));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        db.Fallisci(rc);
}

std::vector<PrefixListModel::Voce> PrefixListModel::Leggo(Db::Database& db, int quanti)
{
    std::vector<Voce> voci;
    const QString c = Virgolette(m_campo);
    if (m_voci.empty()) {
        Carica(db, c + " >= ?", {Collazione::ChiaveMinima(m_chiave)}, quanti, voci);
    } else {
        // After the last row listed, in index order: its equal keys first, then the keys above.
        const Voce& ultima = m_voci.back();
        Carica(db, c + " = ? AND " + Db::ChiaveNascosta + " > ?", {ultima.memorizzato, ultima.id}, quanti, voci);
        if (!m_fine && static_cast<int>(voci.size()) < quanti)
            Carica(db, c + " > ?", {ultima.memorizzato}, quanti - static_cast<int>(voci.size()), voci);
    }
    if (static_cast<int>(voci.size()) < quanti)
        m_fine = true;
    return voci;
}

bool PrefixListModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !m_fine; }

void PrefixListModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    Db::Database* db = m_database ? m_database() : nullptr;
    if (!db || !db->Aperto()) {
        m_fine = true;
        return;
    }
    std::vector<Voce> nuove;
    try {
        nuove = Leggo(*db, m_seguenti);
    } catch (const Db::ErroreDb& e) {
        m_fine = true;
        emit Interrotta(e.Numero);
        return;
    }
    if (nuove.empty())
        return;
    const int primo = static_cast<int>(m_voci.size());
    beginInsertRows(QModelIndex(), primo, primo + static_cast<int>(nuove.size()) - 1);
    for (Voce& v : nuove)
        m_voci.push_back(std::move(v));
    endInsertRows();
}

int PrefixListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_voci.size());
}

QVariant PrefixListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_voci.size()))
        return QVariant();
    const Voce& v = m_voci[index.row()];
    if (role == Qt::DisplayRole)
        return v.testo;
    if (role == RuoloSegnalibro)
        return v.id;
    if (role >= RuoloCampo && role < RuoloCampo + v.altri.size())
        return v.altri[role - RuoloCampo];
    return QVariant();
}

QString PrefixListModel::Testo(int riga) const
{
    return riga >= 0 && riga < rowCount() ? m_voci[riga].testo : QString();
}

QVariant PrefixListModel::Valore(int riga, int altro) const
{
    return riga >= 0 && riga < rowCount() ? m_voci[riga].altri.value(altro) : QVariant();
}

Db::Segnalibro PrefixListModel::Segnalibro(int riga) const
{
    return riga >= 0 && riga < rowCount() ? m_voci[riga].id : 0;
}
