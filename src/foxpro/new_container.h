#pragma once
// Creating a database container: the engine's call for a new, empty .dbc. It is a call of the
// API and not a statement, so a script run in the preview cannot create containers.

#include <string>

namespace qc::foxpro {

// Writes an empty database container at `dbcPath` with its .dct and .dcx beside it, as Visual
// FoxPro writes them for a new, empty database, marked with `codePage` (the run's: the names of
// the tables it will hold are written in it). Throws Error, writing nothing, when the name does
// not end in ".dbc", its folder does not exist, any of the three files exists already, or the
// engine cannot write the code page.
void createContainer(const std::string& dbcPath, int codePage);

} // namespace qc::foxpro
