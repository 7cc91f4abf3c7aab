#pragma once
// Every option of the command line in one table: the parser reads the arguments with it, and the
// build makes the shell completion from it, so an option added here reaches both.

#include "cli/options.h"

#include <QString>

#include <functional>
#include <vector>

namespace qc::cli {

// The commands, by the word that names them.
struct CommandWord {
    const char* word;
    Command command;
};
const std::vector<CommandWord>& commandWords();

struct OptionSpec {
    const char* name;               // "--server"
    const char* value;              // the value as the usage text names it ("HOST"); null for a flag
    std::vector<Command> commands;  // the commands that take it
    std::vector<const char*> words; // the only values it takes, when they are fixed
    // Stores the value (for a flag: sets it); returns an error, or empty.
    std::function<QString(Options&, const QString& value)> apply;
};
const std::vector<OptionSpec>& optionTable();

// The option of that name that `command` takes, or null.
const OptionSpec* findOption(const QString& name, Command command);

} // namespace qc::cli
