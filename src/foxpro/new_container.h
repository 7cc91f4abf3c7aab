#pragma once
// Creating a database container: the engine's call for a new, empty .dbc. It is a call of the
// API and not a statement, so a script run in the preview cannot create containers.

#include <string>

namespace foxpro {

// Writes an empty database container at `dbcPath` with its .dct and .dcx beside it, as Visual
// FoxPro writes them for a new, empty database. Throws Error, writing nothing, when the name does
// not end in ".dbc", its folder does not exist, or any of the three files exists already.
void createContainer(const std::string& dbcPath);

} // namespace foxpro
