#pragma once
// The catalogue records of the chain's file: classification tables ("TAB")
// and the article records "MDA" (article data), "MHA" (EAN code), "MHE"
// (selling price) and "MHN" (cost price). Each reader gives nullopt for a line
// of another kind, and otherwise the record with at most one problem: the
// catalogue stops reading a line at its first bad field.
#include "chainfile/LineRecord.h"
#include "common/Amount.h"

#include <optional>
#include <string>

namespace chainfile {

// A classification table row; only tables "0127" are read.
struct TabRecord : LineRecord {
    enum class Table { Subgroup, Group, Department, Other };  // "01", "02", "03", anything else
    Table table = Table::Other;
    qint64 code = 0;         // subgroup or group code
    qint64 parentGroup = 0;  // a subgroup's group
    QString department;      // a group's department code, or a department's own code, as written
    QString description;     // untrimmed
};

// What the four article records share: the article code in columns 47-53. A
// record whose code is 0 names no article: nothing else of it is read.
struct ArticleLine : LineRecord {
    qint64 code = 0;
};

// "MDA": the article's data.
struct ArticleRecord : ArticleLine {
    QString description;
    QString umart;                    // blank: "PZ"
    QString umconf;                   // blank: "PZ"
    std::optional<double> pezzatura;  // only when numeric and whole
    qint64 subgroup = 0;
    double tipart = 1;  // 0, blank or unreadable: 1
    QString vat;        // two digits: blank or missing is "00"
    double imbart = 1;  // unreadable: 1
};

// "MHA": an EAN code of the article, 13 digits with leading zeros.
struct EanRecord : ArticleLine {
    QString ean;
};

// "MHE": the selling price, in thousandths in the file, kept in single precision.
struct PriceRecord : ArticleLine {
    common::Amount price;
};

// "MHN": the cost price, in thousandths; shown only, never checked (0 when unreadable).
struct CostRecord : ArticleLine {
    common::Amount cost;
};

std::optional<TabRecord> readTab(const common::ChainLine& line);
std::optional<ArticleRecord> readArticle(const common::ChainLine& line);
std::optional<EanRecord> readEan(const common::ChainLine& line);
std::optional<PriceRecord> readPrice(const common::ChainLine& line);
std::optional<CostRecord> readCost(const common::ChainLine& line);

// The date of the data that a line carries, "dd/mm/yyyy" as written (columns
// 26-27, 24-25, 20-23, unchecked); nullopt for a blank line.
std::optional<QString> dateOfData(const common::ChainLine& line);

// The date of the data of a whole file: that of its last line that is not
// blank. Nearly every line carries the same date, so a line's date is made
// into text only when its bytes differ from the last ones read.
class DataDate {
public:
    void see(const common::ChainLine& line);
    // Empty (not null) while no line that is not blank was seen.
    const QString& text() const { return text_; }

private:
    std::string raw_, seen_;
    QString text_ = QStringLiteral("");
};

}  // namespace chainfile
