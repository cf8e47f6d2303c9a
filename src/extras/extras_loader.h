// Opening the module of extras.h on first use.
#pragma once

#include <string>

namespace eiyou {

struct ExtrasTable;

// Where the module is looked for: beside the running program (empty when the
// program's own path cannot be read).
std::string ExtrasModulePath();

// The module's table, opened on first use and kept for the run. Null, with
// `error` (Japanese, naming the file), when the module cannot be opened or is
// not this program's; the next use tries again.
const ExtrasTable* Extras(std::string& error);

// The module at `path` instead of the one beside the program (tests of a
// module missing or broken). False, changing nothing, once one is open.
bool UseExtrasModule(std::string path);

}  // namespace eiyou
