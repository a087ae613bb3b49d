#include "db/Schema.h"

#include "db/Database.h"

#include <cstdio>

namespace db {

namespace {

constexpr const char* I = "INTEGER";
constexpr const char* R = "REAL";
constexpr const char* T = "TEXT";

// The processing log's fields, shared by the log and by its history.
std::vector<Column> logColumns() {
    return {{"codart", I}, {"costov", R}, {"coston", R}, {"codafov", T}, {"codafon", T}, {"ean", T},
            {"ivart", T}, {"desart", T}, {"numpro", I}, {"datain", T}, {"datafi", T}, {"despro", T},
            {"prezpubn", R}, {"prezpubv", R}, {"rica", R}, {"desrep", T}, {"umart", T},
            {"tipoelaborazione", T}, {"tipoagg", T}};
}

// The run history: one row per run, and the processing log of each run as it
// was when the run ended (or, for a run that was cut short, when the next one began).
std::vector<Table> historyTables() {
    std::vector<Column> logHistory = {{"esecuzione", I}};
    for (const Column& c : logColumns()) logHistory.push_back(c);
    return {
        {"lis06c_esecuzioni",
         {{"numero", I}, {"inizio", T}, {"fine", T}, {"secondi", R}, {"esito", I}, {"completa", I}, {"data_dati", T},
          {"file_byte", I}, {"file_sha256", T}, {"articoli_aggiornati", I}, {"articoli_creati", I},
          {"ean_scritti", I}, {"documenti_ricevuti", I}, {"documenti_trattenuti", I},
          {"documenti_rettificati", I}, {"righe_magazzino", I}, {"offerte_create", I}, {"righe_offerte", I},
          {"righe_rifiutate", I}, {"fermate", T}, {"rapporto", T}, {"stampante", T}, {"giorno_rapporto", T},
          {"registro", T}, {"righe_preparate", T}, {"annullata", T}},
         {{"lis06c_esecuzioni_numero", "(numero)", true}},
         true},
        {"lis06c_storico_variatidivulgazioni",
         logHistory,
         {{"lis06c_storico_variatidivulgazioni_esecuzione", "(esecuzione, tipoelaborazione, tipoagg)"}},
         true},
    };
}

std::vector<Table> storeTables() {
    std::vector<Table> store = {
        {"utenti", {{"codutente", I}, {"codfor_affil", I}}, {{"utenti_codutente", "(codutente)"}}},
        {"automa", {{"codice", I}, {"art1", T}, {"art2", T}, {"art3", T}}, {{"automa_codice", "(codice)"}}},
        {"variatidivulgazioni", logColumns(), {{"variatidivulgazioni_tipo", "(tipoelaborazione, tipoagg)"}}},
        {"listi01",
         {{"codart", I}, {"desart", T}, {"descas", T}, {"codafo", T}, {"codfor", I}, {"desfor", T},
          {"umart", T}, {"imbart", R}, {"ivart", T}, {"tipart", I}, {"colore", I}, {"codgru", I},
          {"desgru", T}, {"codsot", I}, {"dessot", T}, {"codrep", I}, {"desrep", T}, {"przpub", R},
          {"przart", R}, {"przsal", R}, {"cobart", R}, {"cofart", R}, {"cosiva", R}, {"marg", R},
          {"ricart", R}, {"quaco", R}, {"umquaco", T}, {"prztot", R}, {"scarto", R}, {"traspo", R},
          {"tipges", T}, {"qgia", R}, {"valgia", R}, {"cosmp", R}, {"qacq", R}, {"qultcar", R},
          {"dultcar", T}, {"sc1art", R}, {"sc2art", R}, {"sc3art", R}, {"scomag", T}, {"annoco", I},
          {"qinv", R}, {"qres", R}, {"qven", R}, {"scopro", R}, {"przpro", R}, {"scosal", R},
          {"q1", R}, {"sq1", R}, {"q2", R}, {"sq2", R}, {"scomi", R}, {"fl1art", I}, {"fl2art", T},
          {"datreg", T}, {"datagg", T}},
         {{"listi01_primary", "(codart)", true},
          {"listi01_codafo", "(trim(codafo), codfor)"}}},
        {"listi02",
         {{"codart", I}, {"codlis", T}, {"codafo", T}, {"desart", T}, {"cobart", R}, {"cofart", R},
          {"ivart", T}, {"umart", T}, {"desfor", T}, {"dsclistino", T}, {"codfor", I},
          {"datval", T}, {"datreg", T}},
         {{"listi02_codafo", "(trim(codafo), codlis)"},
          {"listi02_codlis", "(codlis)"},
          {"listi02_codart", "(codart)"}}},
        {"fistini", {{"codlis", T}, {"dsclistino", T}, {"datval", T}}, {{"fistini_codlis", "(codlis)"}}},
        {"codean",
         {{"eanare", T}, {"codare", I}, {"desart", T}, {"desfor", T}, {"codafo", T}, {"aggi", T},
          {"pezzix", I}, {"prezzo", R}, {"prezzox", R}, {"neti", I}, {"colare", I},
          {"primasecon", T}, {"flagean", T}, {"sta_eti", T}, {"eacq", R}, {"egia", R},
          {"dataagg", T}},
         {{"codean_keyean", "(eanare)", true}, {"codean_codare", "(codare, dataagg)"}}},
        {"fornitori", {{"codfornitore", I}, {"dscfornitore", T}}, {{"fornitori_primary", "(codfornitore)"}}},
        {"sottogruppi", {{"codsot", I}, {"dscsotto", T}, {"codgru", I}}, {{"sottogruppi_codsot", "(codsot)"}}},
        {"gruppi", {{"codgru", I}, {"dscgruppo", T}, {"codrep", T}, {"escgruppo", I}},
         {{"gruppi_codgru", "(codgru)"}}},
        {"reparti", {{"reparto", I}, {"descrizione", T}}, {{"reparti_reparto", "(reparto)"}}},
        {"unitam", {{"coduni", T}, {"fatxmul", T}, {"umrife", T}}, {{"unitam_coduni", "(coduni)"}}},
        {"variati",
         {{"numero", I}, {"bns", I}, {"tipges", T}, {"codart", I}, {"codafo", T}, {"desart", T},
          {"umart", T}, {"unita2", T}, {"quaco", T}, {"imbart", T}, {"ea1art", T}, {"ea2art", T},
          {"przart", R}, {"coston", R}, {"przvec", R}, {"perc", R}, {"rica", R}, {"prezpub", R},
          {"prezpubv", R}, {"przlis", R}, {"Offerta", T}, {"prezoff", R}, {"ivart", T},
          {"fl1art", I}, {"fl2art", I}, {"fl3art", T}, {"desfor", T}, {"codgru", I}, {"desgru", T},
          {"codsot", I}, {"dessot", T}, {"codrep", I}, {"desrep", T}, {"colli", I},
          {"quantità", R}, {"tipart", T}, {"codfor", I},
          // The date of the line's document: the same number may come back in another year.
          {"datafa", T, true}},
         {{"variati_numero", "(numero, tipges, bns)"}, {"variati_codafo", "(codafo, prezpub DESC)"}}},
        {"fatcasa", {{"codutente", I}, {"anno", I}, {"numero", I}, {"dataor", T}, {"tipo", T}},
         {{"fatcasa_key", "(codutente, anno, numero)"}}},
        {"tipodoc", {{"coddoc", T}, {"posi", T}, {"numeratore", T}, {"dscdoc", T}, {"maga", T}},
         {{"tipodoc_coddoc", "(coddoc)"}}},
        {"numeri", {{"codutente", I}, {"tipo", T}, {"anno", I}, {"ultnum", I}},
         {{"numeri_key", "(codutente, tipo, anno)"}}},
        {"testaof",
         {{"anno", I}, {"numero", I}, {"tipodoc", T}, {"dataor", T}, {"dataco", T}, {"codfor", I},
          {"dscfornitore", T}, {"codutente", I}, {"numfa", I}, {"datafa", T}, {"annofa", I}},
         {{"testaof_numfa", "(numfa, datafa)"}, {"testaof_key", "(anno, numero, tipodoc)"}}},
        {"ordinif",
         {{"bannoc", I}, {"bnumer", I}, {"bns", I}, {"articoli", I}, {"bdator", T}, {"unitam", T},
          {"imballo", T}, {"costob", R}, {"costof", R}, {"sc1ord", R}, {"sc2ord", R}, {"sc3ord", R},
          {"conai", R}, {"scarto", R}, {"traspo", R}, {"dscfornitore", T}, {"quantita", R},
          {"quanci", R}, {"Colli", I}, {"Collic", I}, {"descrizione", T}, {"iva", T},
          {"codutente", I}, {"codafo", T}, {"ricart", R}, {"bflag1", T}, {"bflag2", T},
          {"bflag3", T}, {"tipmov", T}, {"desgru", T}, {"eanrig", T}, {"totrig", R}, {"tipodoc", T}},
         {{"ordinif_key", "(bannoc, bnumer, tipodoc, bns)"}}},
        {"locte",
         {{"Anno", I}, {"Numero", I}, {"Data1", T}, {"Data2", T}, {"codutente", I}, {"dataor", T},
          {"cliente", I}, {"dsccliente", T}, {"tipo", T}, {"sel", T}},
         {{"locte_key", "(codutente, numero, anno)"}}},
        {"locmo",
         {{"bnumer", I}, {"bannoc", I}, {"bdator", T}, {"bns", I}, {"articoli", I}, {"imballo", R},
          {"prezzo", R}, {"codute", I}, {"costof", R}, {"cosmp", R}, {"quantita", R}, {"bflag2", T},
          {"iva", T}, {"przpub", R}, {"unitam", T}, {"eanrig", T}, {"colli", I}, {"codafo", T},
          {"sconto", R}, {"scopro", R}, {"przpro", R}, {"codpro", I}, {"marg", R}, {"commesso", I},
          {"descrizione", T}, {"taglia", T}, {"desfor", T}, {"desgru", T}, {"tipmov", T},
          {"bflag1", T}, {"ric", I}, {"codrep", I}, {"dsccolore", T}, {"sel", T}},
         {{"locmo_key", "(bnumer, bannoc, bns)"}}},
        {"offtab",
         {{"codice", I}, {"descrizione", T}, {"sconto", R}, {"valore", R}, {"soglia", R},
          {"omaggio", R}, {"puntif", R}, {"scoval", R}, {"soloclienti", R}, {"sogliav", R}},
         {{"offtab_primarykey", "(codice)", true}, {"offtab_sconto", "(sconto)"}}},
        {"offte",
         {{"codutente", I}, {"numero", I}, {"anno", I}, {"dataor", T}, {"dsccliente", T},
          {"cliente", I}, {"data1", T}, {"data2", T}, {"tipo", T}, {"stato", T}, {"numpronelv", I}},
         {{"offte_numpronelv", "(codutente, anno, numpronelv)"}, {"offte_key", "(codutente, numero, anno)"}}},
        {"offmo",
         {{"bnumer", I}, {"bannoc", I}, {"bdator", T}, {"bns", I}, {"articoli", I}, {"imballo", R},
          {"przpub", R}, {"codute", I}, {"costof", R}, {"cosmp", R}, {"quantita", R}, {"bflag2", T},
          {"iva", T}, {"cosoff", R}, {"unitam", T}, {"eanrig", T}, {"colli", I}, {"codafo", T},
          {"przpro", R}, {"commesso", I}, {"descrizione", T}, {"taglia", T}, {"dsccolore", T},
          {"ric", I}, {"desfor", T}, {"desgru", T}, {"tipmov", T}, {"bflag1", T}, {"marg", R},
          {"codpro", I}, {"codrep", I}, {"soglia", R}, {"omaggio", R}, {"scopro", R}, {"sconto", R}},
         {{"offmo_key", "(bannoc, bnumer, bns)"}, {"offmo_ean", "(bannoc, bnumer, eanrig)"}}},
        // The program's own record of every supplier document it received: the
        // digest of the document's lines, to recognise the document when the
        // chain sends it again with other lines.
        {"lis06c_documenti_ricevuti",
         {{"codfor", I}, {"numfa", I}, {"datafa", T}, {"righe", I}, {"impronta", T}},
         {{"lis06c_documenti_ricevuti_key", "(codfor, numfa, datafa)", true}},
         true},
    };
    for (Table& t : historyTables()) store.push_back(std::move(t));
    return store;
}

std::vector<Table> chainTables() {
    return {
        {"listini", {{"codlis", T}, {"note", T}, {"datafine", T}}, {{"listini_codlis", "(codlis)"}}},
        {"clienti", {{"codcliente", I}, {"dataagg", T}, {"flagagg", T}, {"codfat", I}},
         {{"clienti_codcliente", "(codcliente)"}}},
        {"sottogruppi", {{"codsot", I}, {"descrizione", T}, {"codgru", I}}, {{"sottogruppi_codsot", "(codsot)"}}},
        {"gruppi", {{"codice", I}, {"descrizione", T}, {"reparto", T}}, {{"gruppi_codice", "(codice)"}}},
        {"reparti", {{"codrep", T}, {"descrizione", T}}, {{"reparti_codrep", "(codrep)"}}},
        {"articolo",
         {{"codart", I}, {"desart", T}, {"przart", R}, {"Przpub", R}, {"ivart", T}, {"imbart", R},
          {"tipges", T}, {"tipart", I}, {"colli", I}, {"umart", T}, {"umconf", T}, {"pezzatura", R},
          {"codgru", I}, {"desgru", T}, {"codsot", I}, {"dessot", T}, {"codrep", I}, {"desrep", T},
          {"ea1art", T}, {"artvariato", T}, {"datagg", T}, {"ora", T}},
         // Only the articles marked as changed, in the order the store update
         // takes them: setting and clearing a mark adds and removes an entry,
         // where an index of every article moved each one within it.
         {{"articolo_codart", "(codart)", true},
          {"articolo_segnati", "(desart, codart) WHERE artvariato = 'S'"}}},
        {"codean", {{"codare", I}, {"eanare", T}},
         {{"codean_eanare", "(eanare)", true}, {"codean_codare", "(codare)"}}},
        {"divuelabo", {{"dataelaborazione", T}, {"oraelaborazione", T}}, {}},
    };
}

QString quoted(const char* name) { return QLatin1Char('"') + QString::fromUtf8(name) + QLatin1Char('"'); }

// Creates the index when it is missing. A unique index that the rows do not
// allow (a key value held twice, by a store kept with another program) is
// created as a plain one, so the lookups stay fast and the rest of the work
// goes on; the note returned says so. Empty when nothing needed saying.
QString createIndex(Database& db, const Table& t, const Index& i) {
    const QString sql = QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 %4");
    const QString plain = sql.arg(QString(), quoted(i.name), quoted(t.name), QLatin1String(i.definition));
    if (!i.unique) {
        db.exec(plain);
        return QString();
    }
    try {
        Transaction attempt(db);  // a savepoint inside --init's transaction
        db.exec(sql.arg(QStringLiteral("UNIQUE "), quoted(i.name), quoted(t.name), QLatin1String(i.definition)));
        attempt.commit();
        return QString();
    } catch (const Error& e) {
        // Only data that repeats a key is worked around: lookups still find
        // their rows through a plain index. Anything else (a lock, a full
        // disk, a missing field) stops the run as it is.
        if (e.kind() != ErrorKind::Constraint) throw;
        std::fputs(qPrintable(QStringLiteral("Archivio %1 (%2): l'indice univoco %3 non si può creare (%4); "
                                             "creato come indice non univoco")
                                  .arg(db.label(), db.path(), QString::fromUtf8(i.name), e.sqliteText())),
                   stderr);
        std::fputc('\n', stderr);
    }
    db.exec(plain);
    return QStringLiteral("archivio %1: la tabella %2 ha valori ripetuti in %3, l'indice %4 è stato creato "
                          "non univoco")
        .arg(db.path(), QString::fromUtf8(t.name), QString::fromUtf8(i.definition), QString::fromUtf8(i.name));
}

}  // namespace

const std::vector<Table>& tables(Which which) {
    static const std::vector<Table> store = storeTables();
    static const std::vector<Table> chain = chainTables();
    return which == Which::Store ? store : chain;
}

namespace {

// Creates the table, or adds the fields it lacks, and its missing indexes;
// the notes say where a unique index had to be made a plain one.
QStringList createTable(Database& db, const Table& t) {
    if (!db.hasTable(QString::fromUtf8(t.name))) {
        QStringList cols;
        for (const Column& c : t.columns) cols << quoted(c.name) + QLatin1Char(' ') + QLatin1String(c.type);
        db.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(t.name), cols.join(QLatin1String(", "))));
    } else {
        const QStringList have = db.columns(QString::fromUtf8(t.name));
        for (const Column& c : t.columns) {
            if (!have.contains(QString::fromUtf8(c.name).toLower()))
                db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                            .arg(quoted(t.name), quoted(c.name), QLatin1String(c.type)));
        }
    }
    QStringList notes;
    for (const Index& i : t.indexes) {
        const QString note = createIndex(db, t, i);
        if (!note.isEmpty()) notes << note;
    }
    return notes;
}

// Every field and index of `t` is there.
bool isComplete(Database& db, const Table& t) {
    const QString name = QString::fromUtf8(t.name);
    if (!db.hasTable(name)) return false;
    const QStringList have = db.columns(name);
    for (const Column& c : t.columns)
        if (!have.contains(QString::fromUtf8(c.name).toLower())) return false;
    Query index = db.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"));
    for (const Index& i : t.indexes) {
        const bool exists = index.first({QString::fromUtf8(i.name)});
        index.finish();
        if (!exists) return false;
    }
    return true;
}

}  // namespace

QStringList createMissing(Database& db, Which which) {
    QStringList notes;
    Transaction tx(db);
    for (const Table& t : tables(which)) notes << createTable(db, t);
    tx.commit();
    return notes;
}

void createOwnTables(Database& db, Which which) {
    bool complete = true;
    for (const Table& t : tables(which))
        if (t.own && !isComplete(db, t)) complete = false;
    if (complete) return;  // the common case: nothing to write, no write lock taken
    Transaction tx(db);
    for (const Table& t : tables(which))
        if (t.own) createTable(db, t);
    tx.commit();
}

// Indexes of earlier versions that a newer one replaces: kept beside it, they
// would only slow down every write of their table.
const std::vector<const char*>& retiredIndexes(Which which) {
    static const std::vector<const char*> store;
    static const std::vector<const char*> chain = {"articolo_variato"};
    return which == Which::Store ? store : chain;
}

void createMissingIndexes(Database& db, Which which) {
    db::Query have = db.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"));
    for (const char* name : retiredIndexes(which)) {
        const bool exists = have.first({QString::fromUtf8(name)});
        have.finish();
        if (exists) db.exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(quoted(name)));
    }
    for (const Table& t : tables(which)) {
        if (t.own) continue;  // created whole, with their indexes, by createOwnTables
        for (const Index& i : t.indexes) {
            const bool exists = have.first({QString::fromUtf8(i.name)});
            have.finish();
            if (!exists) createIndex(db, t, i);
        }
    }
}

void addStartColumns(Database& db, Which which) {
    for (const Table& t : tables(which)) {
        const QString table = QString::fromUtf8(t.name);
        QStringList have;
        for (const Column& c : t.columns) {
            if (!c.addedAtStart) continue;
            if (have.isEmpty()) {
                if (!db.hasTable(table)) break;
                have = db.columns(table);
            }
            if (!have.contains(QString::fromUtf8(c.name).toLower()))
                db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                            .arg(quoted(t.name), quoted(c.name), QLatin1String(c.type)));
        }
    }
}

QStringList missing(Database& db, Which which) {
    QStringList out;
    const QString label = which == Which::Store ? QStringLiteral("negozio") : QStringLiteral("catena");
    for (const Table& t : tables(which)) {
        if (t.own) continue;
        const QString table = QString::fromUtf8(t.name);
        if (!db.hasTable(table)) {
            out << QStringLiteral("archivio %1 (%2): manca la tabella %3").arg(label, db.path(), table);
            continue;
        }
        const QStringList have = db.columns(table);
        for (const Column& c : t.columns) {
            const QString col = QString::fromUtf8(c.name);
            if (!c.addedAtStart && !have.contains(col.toLower()))
                out << QStringLiteral("archivio %1 (%2): tabella %3, manca il campo %4")
                           .arg(label, db.path(), table, col);
        }
    }
    return out;
}

}  // namespace db
