#include "mdbimport/AccessFile.h"

#include "mdbimport/AccessValues.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <mdbtools.h>

namespace mdbimport {

namespace {

// Access keeps a row's offset on its page in the low 13 bits; the high bits are flags.
constexpr int kOffsetMask = 0x1fff;

MdbHandle* handle(void* mdb) { return static_cast<MdbHandle*>(mdb); }

MdbColumn* columnAt(MdbTableDef* table, int column) {
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, column));
}

// The bytes a fixed-size value takes; 0 where the size varies.
int fixedSize(int type) {
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

// Refuses what is not an Access file before libmdb sees it: libmdb would only
// print its own English words, and an SQLite database deserves a hint.
void checkHeader(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw ImportError(QStringLiteral("Il file Access %1 non esiste").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("Il file Access %1 non si può leggere (%2)").arg(path, file.errorString()));
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw ImportError(QStringLiteral("Il file %1 è già un archivio SQLite, non un file Access: "
                                         "non va importato, basta copiarlo al suo posto")
                              .arg(path));
    if (head.mid(4, 15) != "Standard Jet DB" && head.mid(4, 15) != "Standard ACE DB")
        throw ImportError(QStringLiteral("Il file %1 non è un archivio Microsoft Access (.mdb o .accdb)").arg(path));
}

}  // namespace

struct AccessFile::Impl {
    QString path;
    MdbHandle* mdb = nullptr;
    ~Impl() {
        if (mdb) mdb_close(mdb);
    }
    MdbCatalogEntry* entry(unsigned i) const {
        return static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    }
};

AccessFile::AccessFile(const QString& path) : d_(std::make_unique<Impl>()) {
    d_->path = path;
    checkHeader(path);
    d_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d_->mdb)
        throw ImportError(QStringLiteral("mdbtools non riesce ad aprire il file Access %1: "
                                         "danneggiato o di una versione che non conosce")
                              .arg(path));
    // Texts come out of libmdb in the character set MDB_ICONV names; this
    // import reads them as UTF-8.
    const QByteArray charset = QByteArray(mdb_target_charset(d_->mdb)).toUpper();
    if (charset != "UTF-8" && charset != "UTF8")
        throw ImportError(QStringLiteral("La variabile d'ambiente MDB_ICONV chiede i testi in %1: "
                                         "toglierla (i testi vanno letti in UTF-8) e ripetere l'importazione")
                              .arg(QString::fromLatin1(charset)));
    if (!mdb_read_catalog(d_->mdb, MDB_ANY))
        throw ImportError(QStringLiteral("Impossibile leggere l'elenco delle tabelle del file Access %1").arg(path));
}

AccessFile::~AccessFile() = default;

const QString& AccessFile::path() const { return d_->path; }

QString AccessFile::format() const {
    switch (d_->mdb->f->jet_version) {
    case MDB_VER_JET3: return QStringLiteral("Jet 3 (Access 97)");
    case MDB_VER_JET4: return QStringLiteral("Jet 4 (Access 2000-2003)");
    case MDB_VER_ACCDB_2007: return QStringLiteral("ACE (Access 2007)");
    case MDB_VER_ACCDB_2010: return QStringLiteral("ACE (Access 2010)");
    case MDB_VER_ACCDB_2013: return QStringLiteral("ACE (Access 2013)");
    case MDB_VER_ACCDB_2016: return QStringLiteral("ACE (Access 2016)");
    case MDB_VER_ACCDB_2019: return QStringLiteral("ACE (Access 2019)");
    default: return QStringLiteral("versione %1").arg(d_->mdb->f->jet_version);
    }
}

QStringList AccessFile::tables() const {
    QStringList out;
    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        MdbCatalogEntry* e = d_->entry(i);
        if (mdb_is_user_table(e)) out << QString::fromUtf8(e->object_name);
    }
    return out;
}

QStringList AccessFile::linkedTables() const {
    QStringList out;
    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        MdbCatalogEntry* e = d_->entry(i);
        if (e->object_type == MDB_LINKED_TABLE) out << QString::fromUtf8(e->object_name);
    }
    return out;
}

std::unique_ptr<AccessTable> AccessFile::openTable(const QString& name) {
    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        MdbCatalogEntry* e = d_->entry(i);
        if (!mdb_is_user_table(e) || QString::fromUtf8(e->object_name) != name) continue;
        MdbTableDef* table = mdb_read_table(e);
        if (!table) break;
        // Columns first: the index definitions follow them in the table's pages.
        if (!mdb_read_columns(table)) {
            mdb_free_tabledef(table);
            break;
        }
        mdb_read_indices(table);  // fills table->indices; its return value means nothing
        return std::unique_ptr<AccessTable>(new AccessTable(d_->mdb, table, name));
    }
    throw ImportError(QStringLiteral("Impossibile leggere la definizione della tabella %1 del file Access %2")
                          .arg(name, d_->path));
}

// The fields of the current row as libmdb cracks them: where each value
// starts on the page, how long it is, and whether it is Null.
struct AccessTable::Row {
    std::vector<MdbField> fields;
    std::vector<int> fieldOfColumn;
};

AccessTable::AccessTable(void* mdb, S_MdbTableDef* table, const QString& name)
    : mdb_(mdb), table_(table), name_(name), row_(std::make_unique<Row>()) {
    for (unsigned i = 0; i < table->num_cols; ++i) {
        MdbColumn* col = columnAt(table, int(i));
        const QString type = sqliteType(col->col_type);
        if (type.isEmpty()) {
            mdb_free_tabledef(table);
            throw ImportError(QStringLiteral("Tabella %1, campo %2: tipo di campo Access %3 non gestito")
                                  .arg(name, QString::fromUtf8(col->name))
                                  .arg(col->col_type));
        }
        columns_.push_back({QString::fromUtf8(col->name), col->col_type, type});
    }
    for (unsigned i = 0; table->indices && i < table->num_idxs; ++i) {
        const MdbIndex* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
        if (idx->index_type == 2) continue;  // the other side of a relationship, not an index of its own
        AccessIndex index;
        index.name = QString::fromUtf8(idx->name);
        index.primaryKey = idx->index_type == 1;
        index.unique = index.primaryKey || (idx->flags & MDB_IDX_UNIQUE);
        for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            index.columns.push_back(idx->key_col_num[k] - 1);  // libmdb counts from 1
            index.descending.push_back(idx->key_col_order[k] == MDB_DESC);
        }
        indexes_.push_back(std::move(index));
    }
    row_->fields.resize(table->num_cols);
    row_->fieldOfColumn.resize(table->num_cols);
    mdb_rewind_table(table);
}

AccessTable::~AccessTable() { mdb_free_tabledef(table_); }

qint64 AccessTable::declaredRows() const { return table_->num_rows; }

bool AccessTable::next() {
    if (!mdb_fetch_row(table_)) return false;
    ++rowNumber_;
    // mdb_fetch_row has the row's page in pg_buf and keeps only lengths; it
    // cannot tell an empty text from a Null one. Cracking the row again here
    // keeps the Null flags.
    MdbHandle* mdb = handle(mdb_);
    int start = 0;
    size_t length = 0;
    if (mdb_find_row(mdb, int(table_->cur_row) - 1, &start, &length) != 0)
        fail(-1, QStringLiteral("la riga non si trova nella sua pagina"));
    const int count = mdb_crack_row(table_, start & kOffsetMask, length, row_->fields.data());
    if (count < 0) fail(-1, QStringLiteral("la riga non si può leggere"));
    std::fill(row_->fieldOfColumn.begin(), row_->fieldOfColumn.end(), -1);
    for (int i = 0; i < count && i < int(row_->fields.size()); ++i) {
        const int column = row_->fields[i].colnum;
        if (column >= 0 && column < int(row_->fieldOfColumn.size())) row_->fieldOfColumn[column] = i;
    }
    return true;
}

QVariant AccessTable::value(int column) {
    const int type = columns_[column].type;
    const int at = row_->fieldOfColumn[column];
    if (at < 0) return type == MDB_BOOL ? QVariant(qint64(0)) : QVariant();  // a field newer than the row
    const MdbField& f = row_->fields[at];
    // A yes/no field keeps its value in the Null mask: a set bit is "yes".
    if (type == MDB_BOOL) return qint64(f.is_null ? 0 : 1);
    if (f.is_null) return {};
    if (f.siz < fixedSize(type)) fail(column, QStringLiteral("valore più corto del suo tipo"));

    MdbHandle* mdb = handle(mdb_);
    const uchar* bytes = mdb->pg_buf + f.start;
    switch (type) {
    case MDB_BYTE: return qint64(bytes[0]);
    case MDB_INT: return qint64(qFromLittleEndian<qint16>(bytes));
    case MDB_LONGINT:
    case MDB_COMPLEX: return qint64(qFromLittleEndian<qint32>(bytes));
    case MDB_MONEY: return currencyValue(qFromLittleEndian<qint64>(bytes));
    case MDB_FLOAT: return singleValue(qFromLittleEndian<float>(bytes));
    case MDB_DOUBLE: return qFromLittleEndian<double>(bytes);
    case MDB_DATETIME: {
        const double serial = qFromLittleEndian<double>(bytes);
        // Beyond any calendar Access allows: the number itself, rather than a false date.
        if (!std::isfinite(serial) || std::fabs(serial) > 3e6) return serial;
        return accessDateText(serial);
    }
    case MDB_TEXT: return decodeText(reinterpret_cast<const char*>(bytes), f.siz);
    case MDB_BINARY: return QByteArray(reinterpret_cast<const char*>(bytes), f.siz);
    case MDB_MEMO: {
        const QByteArray raw = longValue(column);
        return decodeText(raw.constData(), raw.size());
    }
    case MDB_OLE: return longValue(column);
    case MDB_REPID: {
        char* text = mdb_uuid_to_string(mdb->pg_buf, f.start);
        const QString out = QString::fromUtf8(text);
        g_free(text);
        return out;
    }
    case MDB_NUMERIC: {
        MdbColumn* col = columnAt(table_, column);
        char* text = mdb_numeric_to_string(mdb, f.start, col->col_scale, col->col_prec);
        const QString out = QString::fromUtf8(text);
        g_free(text);
        return out;
    }
    default: fail(column, QStringLiteral("tipo di campo non gestito"));
    }
}

QString AccessTable::decodeText(const char* bytes, qsizetype length) const {
    if (length == 0) return QString(QLatin1String(""));  // empty, not Null
    // A character takes one or two bytes in the file and at most three in UTF-8.
    QByteArray utf8(length * 3 + 4, Qt::Uninitialized);
    const int written = mdb_unicode2ascii(handle(mdb_), bytes, size_t(length), utf8.data(), size_t(utf8.size()));
    return QString::fromUtf8(utf8.constData(), written);
}

// A memo or OLE value: inline in the row, or on one or more pages of their
// own. Read through libmdb's OLE reader, chunk by chunk, into one array.
QByteArray AccessTable::longValue(int column) {
    MdbHandle* mdb = handle(mdb_);
    const MdbField& f = row_->fields[row_->fieldOfColumn[column]];
    if (f.siz < MDB_MEMO_OVERHEAD) return QByteArray("");
    char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, mdb->pg_buf + f.start, MDB_MEMO_OVERHEAD);
    const quint32 expected = qFromLittleEndian<quint32>(header) & 0x00ffffff;

    MdbColumn* col = columnAt(table_, column);
    QByteArray chunk(int(mdb->fmt->pg_size) * 2, Qt::Uninitialized);
    QByteArray out;
    out.reserve(expected);
    // libmdb's readers copy each chunk to the column's bound buffer; binding
    // lasts only for this read, so fetching rows converts nothing.
    col->bind_ptr = chunk.data();
    size_t got = mdb_ole_read(mdb, col, header, size_t(chunk.size()));
    out.append(chunk.constData(), qsizetype(got));
    while (got > 0 && (got = mdb_ole_read_next(mdb, col, header)) > 0) out.append(chunk.constData(), qsizetype(got));
    col->bind_ptr = nullptr;
    if (quint32(out.size()) != expected)
        fail(column, QStringLiteral("letti %1 byte dei %2 del valore").arg(out.size()).arg(expected));
    if (out.isNull()) out = QByteArray("");
    return out;
}

void AccessTable::fail(int column, const QString& what) const {
    const QString field = column >= 0 ? QStringLiteral(", campo %1").arg(columns_[column].name) : QString();
    throw ImportError(QStringLiteral("Tabella %1, riga %2%3: %4").arg(name_).arg(rowNumber_).arg(field, what));
}

}  // namespace mdbimport
