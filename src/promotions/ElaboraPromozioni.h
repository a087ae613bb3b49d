#pragma once
#include <QtGlobal>

struct Run;
namespace common {
class ChainFile;
}

// Stages the chain's promotions of `file` under `year`. False when the chain
// database is missing (no offer documents are then made).
bool ElaboraPromozioni(const Run& run, const common::ChainFile& file, qint32 year);
