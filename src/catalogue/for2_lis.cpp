#include "catalogue/for2_lis.h"

#include "chainfile/BadBytes.h"
#include "chainfile/CatalogueRecords.h"
#include "chainfile/LineErrors.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "run/Run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

using chainfile::LineErrors;
using common::ChainLine;

namespace {

// The store's classification of a subgroup: its group, department and the
// three descriptions ("." when missing or blank).
struct Classification {
    qint64 group = 0;
    qint64 department = 0;
    QString subgroupText = QStringLiteral(".");
    QString groupText = QStringLiteral(".");
    QString departmentText = QStringLiteral(".");
};

QString textOrDot(const QVariant& v) {
    const QString s = v.toString();
    return s.trimmed().isEmpty() ? QStringLiteral(".") : s;
}

// Notes about the file as a whole that the user must see: bytes undefined in
// Windows-1252. (A byte-order mark or LF-only line ends are read as intended;
// a NUL byte is named with its field from the walk.)
bool shownNote(const QString& note) { return note.contains(QLatin1String("Windows-1252")); }

// Looks up the store's classification of each subgroup once per stage: the
// store's classification tables do not change while the articles are read.
class StoreClassification {
public:
    explicit StoreClassification(db::Database& store)
        : subgroup_(store.prepare(QStringLiteral(
              "SELECT codgru, dscsotto FROM sottogruppi WHERE codsot = ? ORDER BY rowid LIMIT 1"))),
          group_(store.prepare(QStringLiteral(
              "SELECT codrep, dscgruppo FROM gruppi WHERE codgru = ? ORDER BY rowid LIMIT 1"))),
          department_(store.prepare(QStringLiteral(
              "SELECT descrizione FROM reparti WHERE reparto = ? ORDER BY rowid LIMIT 1"))) {}

    Classification of(qint64 subgroup) {
        return db::readOnce(cache_, subgroup, [&] { return read(subgroup); });
    }

private:
    Classification read(qint64 subgroup) {
        Classification c;
        if (subgroup_.first({subgroup})) {
            if (!subgroup_.isNull("codgru")) c.group = subgroup_.whole("codgru");
            c.subgroupText = textOrDot(subgroup_.value("dscsotto"));
        }
        subgroup_.finish();
        if (group_.first({c.group})) {
            if (!group_.isNull("codrep")) c.department = common::wholeValue(group_.text("codrep"));
            c.groupText = textOrDot(group_.value("dscgruppo"));
        }
        group_.finish();
        if (department_.first({c.department}) && !department_.isNull("descrizione"))
            c.departmentText = textOrDot(department_.value("descrizione"));
        department_.finish();
        return c;
    }

    db::Query subgroup_, group_, department_;
    QHash<qint64, Classification> cache_;
};

// First pass: departments, groups and subgroups missing from the two
// databases are added; existing rows keep what they hold. The walk also names
// the first line that holds a NUL byte.
void readClassification(const Run& run, const common::ChainFile& file, LineErrors& errors) {
    db::Database& chain = run.chain;
    db::Database& store = run.store;
    db::Query chainSubgroup = chain.prepare(QStringLiteral("SELECT 1 FROM sottogruppi WHERE codsot = ? LIMIT 1"));
    db::Query addChainSubgroup =
        chain.prepare(QStringLiteral("INSERT INTO sottogruppi (codsot, descrizione, codgru) VALUES (?, ?, ?)"));
    db::Query storeSubgroup = store.prepare(QStringLiteral("SELECT 1 FROM sottogruppi WHERE codsot = ? LIMIT 1"));
    db::Query addStoreSubgroup =
        store.prepare(QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (?, ?, ?)"));
    db::Query chainGroup = chain.prepare(QStringLiteral("SELECT 1 FROM gruppi WHERE codice = ? LIMIT 1"));
    db::Query addChainGroup =
        chain.prepare(QStringLiteral("INSERT INTO gruppi (codice, descrizione, reparto) VALUES (?, ?, ?)"));
    db::Query storeGroup = store.prepare(QStringLiteral("SELECT 1 FROM gruppi WHERE codgru = ? LIMIT 1"));
    db::Query addStoreGroup =
        store.prepare(QStringLiteral("INSERT INTO gruppi (codgru, dscgruppo, codrep) VALUES (?, ?, ?)"));
    db::Query chainDepartment = chain.prepare(QStringLiteral("SELECT 1 FROM reparti WHERE codrep = ? LIMIT 1"));
    db::Query addChainDepartment =
        chain.prepare(QStringLiteral("INSERT INTO reparti (codrep, descrizione) VALUES (?, ?)"));

    auto missing = [](db::Query& q, const QVariant& key) {
        const bool found = q.first({key});
        q.finish();
        return !found;
    };

    db::Transaction chainTx(chain);
    db::Transaction storeTx(store);
    Progress progress(run.view, Bar::ProgressBar2, file.lineCount());
    bool nulNamed = false;
    for (const ChainLine line : file) {
        progress.step();
        if (!nulNamed) {
            if (const std::optional<QString> note = chainfile::nulNote(line)) {
                errors.addNote(*note);
                nulNamed = true;
            }
        }
        const std::optional<chainfile::TabRecord> tab = chainfile::readTab(line);
        if (!tab) continue;
        if (!tab->ok()) {
            errors.add(LineErrors::Stage::Catalogue, *tab);
            continue;
        }
        using Table = chainfile::TabRecord::Table;
        switch (tab->table) {
        case Table::Subgroup:
            if (missing(chainSubgroup, tab->code)) addChainSubgroup.exec({tab->code, tab->description, tab->parentGroup});
            if (missing(storeSubgroup, tab->code)) addStoreSubgroup.exec({tab->code, tab->description, tab->parentGroup});
            break;
        case Table::Group:
            if (missing(chainGroup, tab->code)) addChainGroup.exec({tab->code, tab->description, tab->department});
            if (missing(storeGroup, tab->code)) addStoreGroup.exec({tab->code, tab->description, tab->department});
            break;
        case Table::Department:
            if (missing(chainDepartment, tab->department))
                addChainDepartment.exec({tab->department, tab->description});
            break;
        case Table::Other:
            break;
        }
    }
    storeTx.commit();
    chainTx.commit();
}

// Second pass: the chain's articles and EAN codes; an "MDA" record marks its
// article changed for the store update. Returns the date of the data, taken
// from the last line that is not blank.
QString readArticles(const Run& run, const common::ChainFile& file, LineErrors& errors) {
    RunView& view = run.view;
    db::Database& chain = run.chain;
    const QVariant today = common::dateValue(run.clock.today());

    StoreClassification classification(run.store);
    db::Query article = chain.prepare(QStringLiteral("SELECT rowid FROM articolo WHERE codart = ? LIMIT 1"));
    db::Query addDescribed = chain.prepare(QStringLiteral(
        "INSERT INTO articolo (codart, przart, ea1art, ivart, imbart, desart, tipges, tipart, colli, umart, "
        "pezzatura, codgru, desgru, codsot, dessot, codrep, desrep, umconf, artvariato, datagg, ora, Przpub) "
        "VALUES (?, ?, '.', ?, ?, ?, 'M', ?, NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'S', ?, ?, ?)"));
    db::Query editDescribed = chain.prepare(QStringLiteral(
        "UPDATE articolo SET ea1art = '.', ivart = ?, imbart = ?, desart = ?, tipges = 'M', tipart = ?, "
        "colli = NULL, umart = ?, pezzatura = coalesce(?, pezzatura), codgru = ?, desgru = ?, "
        "codsot = ?, dessot = ?, codrep = ?, desrep = ?, umconf = ?, artvariato = 'S', datagg = ?, ora = ?, "
        "Przpub = ? WHERE rowid = ?"));
    db::Query addPriced =
        chain.prepare(QStringLiteral("INSERT INTO articolo (codart, przart, Przpub) VALUES (?, ?, ?)"));
    db::Query editPriced = chain.prepare(QStringLiteral("UPDATE articolo SET Przpub = ? WHERE rowid = ?"));
    db::Query ean = chain.prepare(QStringLiteral("SELECT rowid, codare FROM codean WHERE eanare = ? LIMIT 1"));
    db::Query addEan = chain.prepare(QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (?, ?)"));
    db::Query moveEan = chain.prepare(QStringLiteral("UPDATE codean SET codare = ? WHERE rowid = ?"));

    auto rowidOf = [&](qint64 code) {
        const bool exists = article.first({code});
        const qint64 rowid = exists ? article.whole("rowid") : 0;
        article.finish();
        return rowid;
    };
    // A record with a bad field is listed; one of article code 0 names no article.
    auto usable = [&](const chainfile::ArticleLine& r) {
        if (r.ok()) return r.code != 0;
        errors.add(LineErrors::Stage::Catalogue, r);
        return false;
    };

    // The boxes show the values last read, made into text when the view can
    // show them and after the last line.
    QString shownEan, shownDescription, shownVat;
    double shownCost = 0, shownPrice = 0;
    qint64 shownCode = 0;
    bool detailed = false;
    auto showDetail = [&] {
        view.setText(Box::c2w, shownEan);
        view.setText(Box::codartw, common::displayNumber(shownCode));
        view.setText(Box::c3w, shownDescription);
        view.setText(Box::c4w, common::displayNumber(shownCost));
        view.setText(Box::c5w, shownVat);
        view.setText(Box::c6w, common::displayNumber(shownPrice));
    };
    Refresh refresh;

    // Rows are stamped with the time they are written, to the second.
    QTime stampedAt;
    QString stamp;
    auto now = [&] {
        const QTime t = run.clock.now();
        if (stamp.isNull() || t.msecsSinceStartOfDay() / 1000 != stampedAt.msecsSinceStartOfDay() / 1000) {
            stampedAt = t;
            stamp = common::isoTime(t);
        }
        return stamp;
    };

    // An "MDA" record's row is written once the records after it show
    // whether the "MHE" price of the same article follows (after its
    // barcodes, as the chain sends an article): the price then goes into the
    // same write instead of a second one. Nothing reads or writes the row in
    // between, and the row is written before any commit.
    struct Described {
        qint64 code = 0;
        qint64 rowid = 0;  // 0: a new article
        QVariantList values;
    };
    std::optional<Described> described;
    auto writeDescribed = [&](const QVariant& przpub) {
        if (!described) return;
        QVariantList& values = described->values;
        values << przpub;
        if (described->rowid != 0) {
            values << described->rowid;
            editDescribed.execList(values);
        } else {
            addDescribed.execList(values);
        }
        described.reset();
    };
    const QVariant noPrice = qint64(0);  // an article described but not priced: przpub 0

    chainfile::DataDate dataDati;
    db::Batch batch(chain);
    int counter = 0;
    for (const ChainLine line : file) {
        dataDati.see(line);
        ++counter;
        const bool due = refresh.due();
        if (due) view.setText(Box::cntw, common::displayNumber(counter));

        qint64 code = 0;
        if (const auto mda = chainfile::readArticle(line)) {
            if (!usable(*mda)) continue;
            code = mda->code;
            const Classification c = classification.of(mda->subgroup);
            const QVariant pezzatura = mda->pezzatura ? QVariant(*mda->pezzatura) : QVariant();
            shownDescription = mda->description;
            shownVat = mda->vat;
            writeDescribed(noPrice);
            if (const qint64 rowid = rowidOf(code)) {
                described = Described{code, rowid,
                                      {mda->vat, mda->imbart, mda->description, mda->tipart, mda->umart, pezzatura,
                                       c.group, c.groupText.left(20), mda->subgroup, c.subgroupText.left(20),
                                       c.department, c.departmentText.left(20), mda->umconf, today, now()}};
            } else {
                described = Described{code, 0,
                                      {code, 0.001, mda->vat, mda->imbart, mda->description, mda->tipart,
                                       mda->umart, pezzatura, c.group, c.groupText.left(20), mda->subgroup,
                                       c.subgroupText.left(20), c.department, c.departmentText.left(20),
                                       mda->umconf, today, now()}};
            }
        } else if (const auto mha = chainfile::readEan(line)) {
            if (!usable(*mha)) continue;
            code = mha->code;
            shownEan = mha->ean;
            if (ean.first({mha->ean})) {
                const qint64 rowid = ean.whole("rowid");
                const bool elsewhere = ean.whole("codare") != code || ean.isNull("codare");
                ean.finish();
                if (elsewhere) moveEan.exec({code, rowid});
            } else {
                ean.finish();
                addEan.exec({code, mha->ean});
            }
        } else if (const auto mhe = chainfile::readPrice(line)) {
            if (!usable(*mhe)) continue;
            code = mhe->code;
            shownPrice = mhe->price.toDouble();
            if (described && described->code == code) {
                writeDescribed(shownPrice);
            } else {
                writeDescribed(noPrice);
                if (const qint64 rowid = rowidOf(code))
                    editPriced.exec({shownPrice, rowid});
                else
                    addPriced.exec({code, 0.001, shownPrice});
            }
        } else if (const auto mhn = chainfile::readCost(line)) {
            if (!usable(*mhn)) continue;
            code = mhn->code;
            shownCost = mhn->cost.toDouble();
        } else {
            continue;
        }

        shownCode = code;
        detailed = true;
        if (due) showDetail();
        batch.step([&] { writeDescribed(noPrice); });
    }
    if (counter > 0) view.setText(Box::cntw, common::displayNumber(counter));
    if (detailed) showDetail();
    writeDescribed(noPrice);
    batch.commit();
    return dataDati.text();
}

}  // namespace

std::optional<CatalogueRead> for2_lis(const Run& run, LineErrors& errors) {
    const Paths& paths = run.config.paths;
    RunView& view = run.view;
    const QDate today = run.clock.today();

    if (!QFileInfo::exists(paths.storeDb())) {
        view.message(QStringLiteral("Archivio Quarn non esiste"));
        return std::nullopt;
    }

    // The chain's price list and the store's customer record are marked as refreshed.
    {
        db::Transaction tx(run.chain);
        run.chain.exec(QStringLiteral("UPDATE listini SET note = ?, datafine = ? WHERE rowid = "
                                      "(SELECT rowid FROM listini WHERE codlis = ? ORDER BY rowid LIMIT 1)"),
                       {common::dateValue(today), common::dateValue(today.addDays(7)), QStringLiteral("01")});
        // The store has no customer code of its own: its record is the one numbered 0.
        run.chain.exec(QStringLiteral("UPDATE clienti SET dataagg = ?, flagagg = 'S' WHERE rowid = "
                                      "(SELECT rowid FROM clienti WHERE codcliente = ? ORDER BY rowid LIMIT 1)"),
                       {common::dateValue(today), 0});
        tx.commit();
    }

    // Leftover archives in the chain's folder.
    QDir folder(paths.chainFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*.zip")}, QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));

    // A file that is missing, is no regular file or is too large: the run
    // waits for the next tick, as for a file not there yet.
    QString error;
    common::ReadLimits limits;
    limits.maxBytes = run.config.options.maxFileBytes;
    std::optional<common::ChainFile> file = common::ChainFile::load(paths.chainFile(), &error, limits);
    if (!file) {
        view.message(QStringLiteral("Attenzione ... ") + error);
        return std::nullopt;
    }

    if (file->encoding() == common::ChainFile::Encoding::Utf8) {
        errors.addNotice(QStringLiteral("Il file acq_var.txt è in UTF-8, non in Windows-1252: letto come UTF-8, "
                                        "colonne contate in caratteri."));
    }
    for (const QString& note : file->notes())
        if (shownNote(note)) errors.addNote(note);
    readClassification(run, *file, errors);
    const QString dataDati = readArticles(run, *file, errors);

    run.chain.exec(QStringLiteral("INSERT INTO divuelabo (dataelaborazione, oraelaborazione) VALUES (?, ?)"),
                   {dataDati, common::isoTime(run.clock.now())});
    view.setText(Box::datadw, dataDati);

    run.summary.refusedLines += errors.tally(LineErrors::Stage::Catalogue);
    if (errors.any(LineErrors::Stage::Catalogue)) view.message(errors.catalogueMessage());
    return CatalogueRead{std::move(*file), dataDati};
}
