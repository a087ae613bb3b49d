#pragma once
// `--import-mdb FILE --into store|chain [--replace]`: a store moving from its
// Access databases. Every table and row of the Access file goes into a new
// SQLite database (quarn/dati.mdb for the store, nelv/dati.mdb for the chain),
// then what lis06c needs and the file lacks is added as `--init` adds it.
#include <QString>
#include <functional>

// Returns the exit status: 0 done, 1 anything else (nothing is written then).
// `say` gets every line for the operator.
int importMdbCommand(const QString& root, const QString& file, const QString& into, bool replace,
                     const std::function<void(const QString&)>& say);
