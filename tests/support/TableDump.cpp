#include "TableDump.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <stdexcept>

namespace {

QString quotedName(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString quotedText(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString realText(double value) {
    QString out = QString::number(value, 'g', QLocale::FloatingPointShortest);
    const bool integral = !out.contains(QLatin1Char('.')) && !out.contains(QLatin1Char('e')) &&
                          !out.contains(QLatin1String("inf")) && !out.contains(QLatin1String("nan"));
    return integral ? out + QLatin1String(".0") : out;
}

// The run's dates and time as they appear in texts, with the token for each.
QList<std::pair<QString, QString>> tokens(const DumpOptions& o) {
    QList<std::pair<QString, QString>> out;
    if (o.today.isValid()) {
        for (int offset : o.dayOffsets) {
            const QDate day = o.today.addDays(offset);
            const QString token = offset == 0   ? QStringLiteral("<TODAY>")
                                  : offset > 0 ? QStringLiteral("<TODAY+%1>").arg(offset)
                                               : QStringLiteral("<TODAY%1>").arg(offset);
            out.append({day.toString(Qt::ISODate), token});
            out.append({day.toString(QStringLiteral("dd/MM/yyyy")), token});
        }
    }
    if (o.now.isValid()) out.append({o.now.toString(QStringLiteral("HH:mm:ss")), QStringLiteral("<NOW>")});
    return out;
}

QString valueText(const QVariant& v, const QList<std::pair<QString, QString>>& replace) {
    if (v.isNull()) return QStringLiteral("NULL");
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return realText(v.toDouble());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toString();
    case QMetaType::QByteArray:
        return QStringLiteral("x'%1'").arg(QString::fromLatin1(v.toByteArray().toHex()));
    default: {
        QString text = v.toString();
        for (const auto& [value, token] : replace) text.replace(value, token);
        return quotedText(text);
    }
    }
}

class Connection {
public:
    explicit Connection(const QString& path) : name_(QUuid::createUuid().toString()) {
        if (!QFileInfo::exists(path)) throw std::runtime_error(("no database " + path).toStdString());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) throw std::runtime_error(("cannot open " + path + ": " + db.lastError().text()).toStdString());
    }
    ~Connection() { QSqlDatabase::removeDatabase(name_); }

    QSqlQuery run(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        if (!q.exec(sql)) throw std::runtime_error((sql + ": " + q.lastError().text()).toStdString());
        return q;
    }

private:
    QString name_;
};

QStringList column(const Connection& c, const QString& sql, int index) {
    QStringList out;
    QSqlQuery q = c.run(sql);
    while (q.next()) out << q.value(index).toString();
    return out;
}

// A dump line's parts: the table, then `col=value` texts. A '|' inside a
// quoted text does not split.
QStringList splitLine(const QString& line) {
    QStringList parts;
    QString current;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < line.size()) {
            current += c;
            current += line[++i];
            continue;
        }
        if (c == QLatin1Char('"')) quoted = !quoted;
        if (c == QLatin1Char('|') && !quoted) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    return parts << current;
}

// The lines of `lines` that `other` lacks, counting repeated lines.
QStringList onlyIn(const QStringList& lines, const QStringList& other) {
    QHash<QString, int> have;
    for (const QString& l : other) ++have[l];
    QStringList out;
    for (const QString& l : lines) {
        int& n = have[l];
        if (n > 0)
            --n;
        else
            out << l;
    }
    return out;
}

// The fields that name the row: codes, numbers and barcodes the two sides share.
QString rowName(const QStringList& a, const QStringList& b) {
    QStringList names;
    for (int i = 1; i < a.size() && names.size() < 4; ++i) {
        const QString field = a[i].section(QLatin1Char('='), 0, 0).toLower();
        const bool namesRow = field.startsWith(QLatin1String("cod")) || field.startsWith(QLatin1String("num")) ||
                               field.startsWith(QLatin1String("ean")) || field == QLatin1String("bns") ||
                               field == QLatin1String("tipo");
        if (namesRow && b.contains(a[i])) names << a[i];
    }
    return names.join(QLatin1Char('|'));
}

}  // namespace

QStringList dumpDatabase(const QString& path, const QString& label, const QStringList& tables,
                         const DumpOptions& options) {
    const auto replace = tokens(options);
    QStringList out;
    {
        const Connection c(path);
        QStringList names = tables;
        if (names.isEmpty())
            names = column(c, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                             "name NOT LIKE 'sqlite_%'"), 0);
        names.sort(Qt::CaseInsensitive);
        for (const QString& table : names) {
            QStringList columns = column(c, QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(table)), 1);
            if (columns.isEmpty()) throw std::runtime_error(("no table " + table + " in " + path).toStdString());
            std::sort(columns.begin(), columns.end(), [](const QString& a, const QString& b) {
                const int folded = a.compare(b, Qt::CaseInsensitive);
                return folded != 0 ? folded < 0 : a < b;
            });
            QStringList select;
            for (const QString& col : columns) select << quotedName(col);
            QSqlQuery q = c.run(QStringLiteral("SELECT %1 FROM %2").arg(select.join(QLatin1String(", ")), quotedName(table)));
            QStringList rows;
            while (q.next()) {
                QString line = label + QLatin1Char('.') + table;
                for (int i = 0; i < columns.size(); ++i)
                    line += QLatin1Char('|') + columns[i] + QLatin1Char('=') + valueText(q.value(i), replace);
                rows << line;
            }
            rows.sort();
            out += rows;
        }
    }
    return out;
}

QStringList dumpRoot(const QString& root, const DumpOptions& options) {
    // The same folders the program uses under its drive root.
    return dumpDatabase(root + QStringLiteral("/nelv/dati.mdb"), QStringLiteral("chain"), options.chainTables, options) +
           dumpDatabase(root + QStringLiteral("/quarn/dati.mdb"), QStringLiteral("store"), options.storeTables, options);
}

QString unifiedDiff(const QStringList& expected, const QStringList& actual) {
    if (expected == actual) return {};
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QStringList& lines) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            for (const QString& l : lines) f.write(l.toUtf8() + '\n');
        return path;
    };
    write("expected", expected);
    write("actual", actual);
    QProcess diff;
    diff.setWorkingDirectory(dir.path());
    diff.start(QStringLiteral("diff"), {QStringLiteral("-u"), QStringLiteral("expected"), QStringLiteral("actual")},
               QIODevice::ReadOnly);
    if (diff.waitForFinished(60000) && diff.exitStatus() == QProcess::NormalExit && diff.exitCode() == 1)
        return QString::fromUtf8(diff.readAllStandardOutput());
    // Without diff: every line that is in one dump and not in the other.
    const QStringList onlyExpected = onlyIn(expected, actual), onlyActual = onlyIn(actual, expected);
    QString out = QStringLiteral("--- expected\n+++ actual\n");
    for (const QString& l : onlyExpected) out += QLatin1Char('-') + l + QLatin1Char('\n');
    for (const QString& l : onlyActual) out += QLatin1Char('+') + l + QLatin1Char('\n');
    return out;
}

QStringList changedFields(const QStringList& expected, const QStringList& actual) {
    QList<QStringList> removed, added;
    for (const QString& l : onlyIn(expected, actual)) removed << splitLine(l);
    for (const QString& l : onlyIn(actual, expected)) added << splitLine(l);
    QStringList out;
    for (const QStringList& before : removed) {
        int best = -1, bestShared = 0;
        for (int j = 0; j < added.size(); ++j) {
            const QStringList& after = added[j];
            if (after.value(0) != before.value(0) || after.size() != before.size()) continue;
            int shared = 0;
            for (int i = 1; i < before.size(); ++i) shared += before[i] == after[i];
            if (shared > bestShared) best = j, bestShared = shared;
        }
        if (best < 0) continue;
        const QStringList after = added.takeAt(best);
        QStringList changes;
        for (int i = 1; i < before.size(); ++i)
            if (before[i] != after[i])
                changes << QStringLiteral("%1 -> %2").arg(before[i], after[i].section(QLatin1Char('='), 1));
        out << QStringLiteral("%1 (%2): %3").arg(before[0], rowName(before, after), changes.join(QLatin1String("; ")));
    }
    return out;
}
