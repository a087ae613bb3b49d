#pragma once
// Loading the window: the store's configuration is read once into a RunConfig,
// the leftover price-list rows are emptied and so is the previous run's log
// when that run reached its end, and the switched-off stages' circles are
// painted red.
#include "run/RunConfig.h"

#include <optional>

namespace db {
class Database;
}
class RunView;

// The run's configuration; nullopt (after its message) when the store has no
// usable chain supplier code, and the program ends without a run.
std::optional<RunConfig> Form_Load(const Paths& paths, const RunOptions& options, db::Database& store,
                                   RunView& view);
