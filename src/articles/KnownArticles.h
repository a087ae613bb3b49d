#pragma once
// The store's articles as the store update first meets them: the chain code
// and the public price of each, read once at the start of the stage. Most
// chain articles a file marks have nothing new for the store (the same price,
// the same chain code), and deciding that from memory spares a read of the
// article's wide row, scattered over the whole table, for each of them.
#include "common/Amount.h"
#include "common/KeptTexts.h"
#include "db/Database.h"

#include <QString>
#include <QtGlobal>
#include <optional>
#include <unordered_set>
#include <vector>

namespace articles {

class KnownArticles {
public:
    explicit KnownArticles(db::Database& store);

    struct Known {
        QString codafo;          // as the field's text, Null as a null text
        common::Amount przpub;   // as Query::amount reads it
    };
    // What `SELECT codafo, przpub FROM listi01 WHERE codart = ?` finds, when
    // it is known for certain; otherwise the database must be asked: an
    // article the stage has added or changed, a code not in the store, or a
    // table whose codes SQLite could match otherwise than by their number.
    std::optional<Known> find(qint64 codart) const;
    // The stage has written the article's row: ask the database from now on.
    void changed(qint64 codart) { changed_.insert(codart); }

private:
    struct Row {
        qint64 key;  // codart
        common::Amount przpub;
        common::KeptTexts::Ref codafo;
    };
    std::vector<Row> rows_;  // by code
    common::KeptTexts texts_;
    std::unordered_set<qint64> changed_;
};

}  // namespace articles
