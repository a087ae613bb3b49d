#pragma once
// Reads the chain's catalogue into the chain database and marks the changed
// articles.
#include "common/ChainFile.h"

#include <QString>
#include <optional>

struct Run;
namespace chainfile {
class LineErrors;
}

// What the catalogue import hands to the later stages: the chain's file, read
// once, and the date of the data (dd/mm/yyyy) that the report prints.
struct CatalogueRead {
    common::ChainFile file;
    QString dataDati;
};

// Nullopt when the run stops here (the store database or the chain's file is
// missing, or the file cannot be used; the window tries again at its next
// tick). The lines it cannot apply go into `errors` and are shown at its end.
std::optional<CatalogueRead> for2_lis(const Run& run, chainfile::LineErrors& errors);
