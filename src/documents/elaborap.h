#pragma once
// Lists the supplier documents of the chain's file in `fatcasa`, one row per
// document.
#include <QtGlobal>

struct Run;
namespace chainfile {
class LineErrors;
}
namespace common {
class ChainFile;
}

// The document the listing met last: the run's current document, whose
// number the log rows of the articles made from the documents carry.
struct ListedDocument {
    qint32 number = 0;
    qint32 year = 0;  // 0 when the file has no readable document line
};

// Lines whose number or date cannot be read are left out and recorded in
// `errors`, which holds their documents back.
ListedDocument elaborap(const Run& run, const common::ChainFile& file, chainfile::LineErrors& errors);
