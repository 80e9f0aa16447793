#pragma once
// Reads rows straight from the pages of a damaged database file, without its b-trees: every
// table-leaf page is decoded on its own, whatever the state of the root, interior, index or
// schema pages that lead to it. Used by the archive repair to save the customers of every
// intact page.
#include <QByteArray>
#include <QList>
#include <QVariantList>

#include <functional>
#include <vector>

namespace PageScan {

// One row of a table-leaf page: its row key and its values in stored order (null QVariant,
// qlonglong, double, QString for text, QByteArray for a blob).
struct Riga {
    qint64 chiave = 0;
    QVariantList valori;
};

// Every row of every whole table-leaf page of the file `dati` (an image of an SQLite file in
// UTF-8) whose cell and record decode completely (an overflow chain included) and that
// `accetta` takes. Pages on the free list are skipped while the list can be followed, unless
// the b-tree of a table rooted at one of `radici` reaches them: a damaged free list may name
// pages that a table still holds. Nothing when the file header gives no usable page size.
std::vector<Riga> Righe(const QByteArray& dati, const std::function<bool(const Riga&)>& accetta,
                        const QList<quint32>& radici = {});

} // namespace PageScan
