#pragma once
// --undo-last-run: puts both databases and the chain's file back as they were
// before the last run not yet undone, from its backup in <root>/backup/, and
// records the undo in the run history. When another program wrote either
// database after the run ended (the tills move stock between runs), the undo
// would lose that work: it refuses and names the tables, unless forced.
#include "run/RunConfig.h"

#include <QDateTime>
#include <QString>
#include <functional>

// Returns the program's exit status; `say` gets every line for the user.
int undoLastRun(const Paths& paths, bool force, const QDateTime& when, const std::function<void(const QString&)>& say);
