#pragma once
#include <QtGlobal>

struct Run;
namespace chainfile {
class LineErrors;
}
namespace common {
class ChainFile;
}

// Stages the chain's promotions of `file` under `year`; the records it cannot
// read go into `errors` and are shown at its end. False when the chain
// database is missing (no offer documents are then made).
bool ElaboraPromozioni(const Run& run, const common::ChainFile& file, qint32 year, chainfile::LineErrors& errors);
