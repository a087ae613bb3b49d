#pragma once
// A NUL byte is no text: it reads as U+FFFD, so it never reaches a database,
// and the first line that holds one is named with the fields it lies in, as
// the other bytes that are not text are.
#include "common/ChainFile.h"

#include <optional>

namespace chainfile {

// "riga 2: byte NUL nel campo descrizione (colonne 54-83): "SEMOLA\0"";
// nullopt for a line without NUL bytes.
std::optional<QString> nulNote(const common::ChainLine& line);

}  // namespace chainfile
