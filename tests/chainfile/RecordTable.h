#pragma once
// Tables of chain-file lines and what their records must hold: each row names
// a line, the fields to check (name → value as text) and the problems
// expected, written "name \"found\"" with " cut" for a field cut short.
#include "RecordBuilder.h"
#include "chainfile/LineRecord.h"

#include <QMap>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

// Failures show texts as texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace chainfile_test {

using Fields = QMap<QString, QString>;

struct Row {
    const char* name;
    QByteArray line;
    std::vector<std::pair<const char*, QString>> fields;  // empty with problems "-": no record
    const char* problems = "";
};

inline QString problemsText(const chainfile::LineRecord& r) {
    QStringList out;
    for (const chainfile::FieldProblem& p : r.problems)
        out << QStringLiteral("%1 \"%2\"%3").arg(p.name, p.found, p.cut ? QStringLiteral(" cut") : QString());
    return out.join(QStringLiteral("; "));
}

// Reads each row's line as line 7 and checks the chosen fields and the problems.
template <typename Record, typename Read, typename Describe>
void checkTable(const std::vector<Row>& rows, Read read, Describe describe) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<Record> r = read(common::ChainLine(7, row.line));
        if (QLatin1String(row.problems) == QLatin1String("-")) {
            EXPECT_FALSE(r.has_value());
            continue;
        }
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->line, 7);
        const Fields got = describe(*r);
        for (const auto& [name, value] : row.fields) {
            ASSERT_TRUE(got.contains(QLatin1String(name))) << name;
            EXPECT_EQ(got.value(QLatin1String(name)), value) << name;
        }
        EXPECT_EQ(problemsText(*r), QString::fromUtf8(row.problems));
    }
}

}  // namespace chainfile_test
