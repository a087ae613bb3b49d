#include "catalogue/for2_lis.h"

#include "catalogue/LineProblems.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "run/Run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

using common::ChainLine;

namespace {

constexpr int kBatch = 500;

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

bool allDigits(const QString& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= '0' && c <= '9'; });
}

QString fieldName(const char* what, const rec::Field& f) {
    return QStringLiteral("%1 (colonne %2-%3)").arg(QLatin1String(what)).arg(f.pos).arg(f.pos + f.len - 1);
}

// A numeric field present in full: listed (and false) when it is cut short or
// not a number.
bool wholeNumber(const ChainLine& line, const QString& kind, const char* what, const rec::Field& f,
                 LineProblems& problems) {
    if (line.cutShort(f)) {
        problems.addCut(line.number(), kind, fieldName(what, f), line.text(f));
        return false;
    }
    if (!line.numeric(f)) {
        problems.add(line.number(), kind, fieldName(what, f), line.text(f));
        return false;
    }
    return true;
}

// An optional numeric field: its default when missing, cut short or not a number.
bool optionalNumber(const ChainLine& line, const rec::Field& f) { return line.numeric(f) && !line.cutShort(f); }

// Notes about the file as a whole that the user must see: bytes that are not
// text. (A byte-order mark or LF-only line ends are read as intended.)
bool shownNote(const QString& note) {
    return note.contains(QLatin1String("NUL")) || note.contains(QLatin1String("Windows-1252"));
}

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
// databases are added; existing rows keep what they hold.
void readClassification(const Run& run, const common::ChainFile& file, LineProblems& problems) {
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
    for (const ChainLine line : file) {
        progress.step();
        if (!line.is(rec::kind, "TAB") || !line.is(rec::tab::table, "0127")) continue;
        const QString kind = QStringLiteral("TAB");
        if (line.cutShort(rec::tab::code)) {
            problems.addCut(line.number(), kind, fieldName("codice", rec::tab::code), line.text(rec::tab::code));
            continue;
        }
        if (line.raw(rec::tab::tableKind).size() < rec::tab::tableKind.len) {
            problems.addCut(line.number(), kind, fieldName("tipo tabella", rec::tab::tableKind),
                            line.text(rec::tab::tableKind));
            continue;
        }
        const QString description = line.text(rec::tab::description);
        if (line.is(rec::tab::tableKind, "01")) {
            if (!wholeNumber(line, kind, "codice sottogruppo", rec::tab::code, problems)) continue;
            if (!wholeNumber(line, kind, "codice gruppo", rec::tab::parent, problems)) continue;
            const qint64 code = common::wholeValue(line.text(rec::tab::code));
            const qint64 group = common::wholeValue(line.text(rec::tab::parent));
            if (missing(chainSubgroup, code)) addChainSubgroup.exec({code, description, group});
            if (missing(storeSubgroup, code)) addStoreSubgroup.exec({code, description, group});
        } else if (line.is(rec::tab::tableKind, "02")) {
            if (!wholeNumber(line, kind, "codice gruppo", rec::tab::code, problems)) continue;
            const qint64 code = common::wholeValue(line.text(rec::tab::code));
            const QString department = line.text(rec::tab::parent);
            if (missing(chainGroup, code)) addChainGroup.exec({code, description, department});
            if (missing(storeGroup, code)) addStoreGroup.exec({code, description, department});
        } else if (line.is(rec::tab::tableKind, "03")) {
            if (!wholeNumber(line, kind, "codice reparto", rec::tab::departmentCode, problems)) continue;
            const QString code = line.text(rec::tab::departmentCode);
            if (missing(chainDepartment, code)) addChainDepartment.exec({code, description});
        }
    }
    storeTx.commit();
    chainTx.commit();
}

// Second pass: the chain's articles and EAN codes; an "MDA" record marks its
// article changed for the store update. Returns the date of the data, taken
// from the last line that is not blank.
QString readArticles(const Run& run, const common::ChainFile& file, LineProblems& problems) {
    RunView& view = run.view;
    db::Database& chain = run.chain;
    const QVariant today = common::dateValue(run.clock.today());

    StoreClassification classification(run.store);
    db::Query article = chain.prepare(QStringLiteral("SELECT rowid FROM articolo WHERE codart = ? LIMIT 1"));
    db::Query addDescribed = chain.prepare(QStringLiteral(
        "INSERT INTO articolo (codart, przart, ea1art, ivart, imbart, desart, tipges, tipart, colli, umart, "
        "pezzatura, Przpub, codgru, desgru, codsot, dessot, codrep, desrep, umconf, artvariato, datagg, ora) "
        "VALUES (?, ?, '.', ?, ?, ?, 'M', ?, NULL, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, 'S', ?, ?)"));
    db::Query editDescribed = chain.prepare(QStringLiteral(
        "UPDATE articolo SET ea1art = '.', ivart = ?, imbart = ?, desart = ?, tipges = 'M', tipart = ?, "
        "colli = NULL, umart = ?, pezzatura = coalesce(?, pezzatura), Przpub = 0, codgru = ?, desgru = ?, "
        "codsot = ?, dessot = ?, codrep = ?, desrep = ?, umconf = ?, artvariato = 'S', datagg = ?, ora = ? "
        "WHERE rowid = ?"));
    db::Query addPriced =
        chain.prepare(QStringLiteral("INSERT INTO articolo (codart, przart, Przpub) VALUES (?, ?, ?)"));
    db::Query editPriced = chain.prepare(QStringLiteral("UPDATE articolo SET Przpub = ? WHERE rowid = ?"));
    db::Query ean = chain.prepare(QStringLiteral("SELECT rowid, codare FROM codean WHERE eanare = ? LIMIT 1"));
    db::Query addEan = chain.prepare(QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (?, ?)"));
    db::Query moveEan = chain.prepare(QStringLiteral("UPDATE codean SET codare = ? WHERE rowid = ?"));

    // The boxes show the values last read.
    QString shownEan, shownDescription, shownVat;
    double shownCost = 0, shownPrice = 0;

    QString dataDati = QStringLiteral("");  // empty, not Null, when the file has no lines
    db::Batch batch(chain, kBatch);
    int counter = 0;
    for (const ChainLine line : file) {
        if (!line.bytes().trimmed().isEmpty()) {
            dataDati = line.text(rec::day) + QLatin1Char('/') + line.text(rec::month) + QLatin1Char('/') +
                           line.text(rec::year);
        }
        ++counter;
        view.setText(Box::cntw, common::displayNumber(counter));

        const QString kind = line.text(rec::kind);
        const bool mda = kind == QLatin1String("MDA"), mha = kind == QLatin1String("MHA"),
                   mhe = kind == QLatin1String("MHE"), mhn = kind == QLatin1String("MHN");
        if (!mda && !mha && !mhe && !mhn) continue;

        bool codeOk = false;
        const QString codeText = line.text(rec::articleCode);
        const qint64 code = common::wholeValue(codeText, &codeOk);
        if (line.cutShort(rec::articleCode)) {
            problems.addCut(line.number(), kind, fieldName("codice articolo", rec::articleCode), codeText);
            continue;
        }
        if (!codeOk) {
            problems.add(line.number(), kind, fieldName("codice articolo", rec::articleCode), codeText);
            continue;
        }
        if (code == 0) continue;  // no article: nothing to file it under

        if (mda) {
            bool subgroupOk = false;
            const QString subgroupText = line.text(rec::mda::subgroup);
            const qint64 subgroup = common::wholeValue(subgroupText, &subgroupOk);
            if (line.cutShort(rec::mda::subgroup)) {
                problems.addCut(line.number(), kind, fieldName("codice sottogruppo", rec::mda::subgroup),
                                subgroupText);
                continue;
            }
            if (!subgroupOk) {
                problems.add(line.number(), kind, fieldName("codice sottogruppo", rec::mda::subgroup),
                             subgroupText);
                continue;
            }
            // A VAT code that cannot be read holds the whole record back: filed
            // as "00" the article would be sold without VAT. A blank code (or a
            // line ending before it) is no code: "00".
            const QString vatText = line.text(rec::mda::vat);
            if (line.cutShort(rec::mda::vat) || (!vatText.trimmed().isEmpty() && !line.numeric(rec::mda::vat))) {
                if (line.cutShort(rec::mda::vat))
                    problems.addCut(line.number(), kind, fieldName("codice IVA", rec::mda::vat), vatText);
                else
                    problems.add(line.number(), kind, fieldName("codice IVA", rec::mda::vat), vatText);
                continue;
            }
            const Classification c = classification.of(subgroup);
            const QString description = line.text(rec::mda::description).left(30);
            const QString vat = common::zeroPad(common::wholeValue(vatText), 2);
            const double imbart = optionalNumber(line, rec::mda::imbart) ? line.value(rec::mda::imbart) : 1;
            double tipart = optionalNumber(line, rec::mda::tipart) ? line.value(rec::mda::tipart) : 0;
            if (tipart == 0) tipart = 1;
            QString umart = line.text(rec::mda::umart);
            if (umart.trimmed().isEmpty()) umart = QStringLiteral("PZ");
            QString umconf = line.text(rec::mda::umconf);
            if (umconf.trimmed().isEmpty()) umconf = QStringLiteral("PZ");
            const QVariant pezzatura =
                optionalNumber(line, rec::mda::pezzatura) ? QVariant(line.value(rec::mda::pezzatura)) : QVariant();
            const QString now = common::isoTime(run.clock.now());
            shownDescription = description;
            shownVat = vat;

            const bool exists = article.first({code});
            const qint64 rowid = exists ? article.whole("rowid") : 0;
            article.finish();
            if (exists) {
                editDescribed.execList({vat, imbart, description, tipart, umart, pezzatura, c.group,
                                        c.groupText.left(20), subgroup, c.subgroupText.left(20), c.department,
                                        c.departmentText.left(20), umconf, today, now, rowid});
            } else {
                addDescribed.execList({code, 0.001, vat, imbart, description, tipart, umart, pezzatura, c.group,
                                       c.groupText.left(20), subgroup, c.subgroupText.left(20), c.department,
                                       c.departmentText.left(20), umconf, today, now});
            }
        } else if (mha) {
            const QString read = line.text(rec::mha::ean).trimmed();
            if (line.cutShort(rec::mha::ean)) {
                problems.addCut(line.number(), kind, fieldName("EAN", rec::mha::ean), line.text(rec::mha::ean));
                continue;
            }
            if (!allDigits(read)) {
                problems.add(line.number(), kind, fieldName("EAN", rec::mha::ean), line.text(rec::mha::ean));
                continue;
            }
            const QString code13 = read.rightJustified(13, QLatin1Char('0'));
            shownEan = code13;
            if (ean.first({code13})) {
                const qint64 rowid = ean.whole("rowid");
                const bool elsewhere = ean.whole("codare") != code || ean.isNull("codare");
                ean.finish();
                if (elsewhere) moveEan.exec({code, rowid});
            } else {
                ean.finish();
                addEan.exec({code, code13});
            }
        } else if (mhe) {
            if (!wholeNumber(line, kind, "prezzo di vendita", rec::mhe::price, problems)) continue;
            const double price = common::toSingle(line.value(rec::mhe::price) / 1000);
            shownPrice = price;
            const bool exists = article.first({code});
            const qint64 rowid = exists ? article.whole("rowid") : 0;
            article.finish();
            if (exists)
                editPriced.exec({price, rowid});
            else
                addPriced.exec({code, 0.001, price});
        } else {
            shownCost = line.value(rec::mhn::cost) / 1000;
        }

        view.setText(Box::c2w, shownEan);
        view.setText(Box::codartw, common::displayNumber(code));
        view.setText(Box::c3w, shownDescription);
        view.setText(Box::c4w, common::displayNumber(shownCost));
        view.setText(Box::c5w, shownVat);
        view.setText(Box::c6w, common::displayNumber(shownPrice));
        batch.step();
    }
    batch.commit();
    return dataDati;
}

}  // namespace

std::optional<CatalogueRead> for2_lis(const Run& run) {
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

    std::optional<common::ChainFile> file = common::ChainFile::load(paths.chainFile());
    if (!file) {
        view.message(QStringLiteral("Attenzione ... File ") + QDir::toNativeSeparators(paths.chainFile()) +
                     QStringLiteral(" non esiste"));
        return std::nullopt;
    }

    LineProblems problems;
    for (const QString& note : file->notes())
        if (shownNote(note)) problems.addNote(note);
    readClassification(run, *file, problems);
    const QString dataDati = readArticles(run, *file, problems);

    run.chain.exec(QStringLiteral("INSERT INTO divuelabo (dataelaborazione, oraelaborazione) VALUES (?, ?)"),
                   {dataDati, common::isoTime(run.clock.now())});
    view.setText(Box::datadw, dataDati);

    run.summary.refusedLines += problems.size();
    if (!problems.isEmpty()) view.message(problems.message());
    return CatalogueRead{std::move(*file), dataDati};
}
