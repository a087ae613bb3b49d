#pragma once
// An Access file (Jet 3, Jet 4 or ACE, .mdb or .accdb) read through Debian's
// mdbtools library: its user tables, their fields and indexes, and their rows
// one at a time, each value already in the form the SQLite database keeps.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>
#include <vector>

struct S_MdbTableDef;

namespace mdbimport {

// A file that cannot be read, or a value that cannot be read whole.
class ImportError : public std::runtime_error {
public:
    explicit ImportError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct AccessColumn {
    QString name;
    int type = 0;        // the libmdb MDB_* code
    QString sqliteType;  // INTEGER, REAL, NUMERIC, TEXT or BLOB
};

struct AccessIndex {
    QString name;
    bool primaryKey = false;
    bool unique = false;
    std::vector<int> columns;     // positions in AccessTable::columns()
    std::vector<bool> descending;
};

class AccessTable;

class AccessFile {
public:
    // Throws ImportError when the file is missing, unreadable, or not an
    // Access file (with a word for the SQLite database given by mistake).
    explicit AccessFile(const QString& path);
    ~AccessFile();
    AccessFile(const AccessFile&) = delete;
    AccessFile& operator=(const AccessFile&) = delete;

    const QString& path() const;
    QString format() const;            // "Jet 3", "Jet 4", "ACE (Access 2010)"...
    QStringList tables() const;        // the user tables, in the file's order
    QStringList linkedTables() const;  // tables whose rows live in another file
    std::unique_ptr<AccessTable> openTable(const QString& name);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

class AccessTable {
public:
    ~AccessTable();
    AccessTable(const AccessTable&) = delete;
    AccessTable& operator=(const AccessTable&) = delete;

    const QString& name() const { return name_; }
    const std::vector<AccessColumn>& columns() const { return columns_; }
    const std::vector<AccessIndex>& indexes() const { return indexes_; }
    // The row count the table's definition holds.
    qint64 declaredRows() const;

    // Moves to the next row; false after the last one.
    bool next();
    // A value of the current row; an invalid QVariant for Null. Throws
    // ImportError when the value cannot be read whole.
    QVariant value(int column);

private:
    friend class AccessFile;
    struct Row;
    AccessTable(void* mdb, S_MdbTableDef* table, const QString& name);
    QString decodeText(const char* bytes, qsizetype length) const;
    QByteArray longValue(int column);
    [[noreturn]] void fail(int column, const QString& what) const;

    void* mdb_;  // MdbHandle*, owned by the AccessFile
    S_MdbTableDef* table_;
    QString name_;
    std::vector<AccessColumn> columns_;
    std::vector<AccessIndex> indexes_;
    std::unique_ptr<Row> row_;
    qint64 rowNumber_ = 0;
};

}  // namespace mdbimport
