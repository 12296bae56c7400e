// The sources shipped with pagerates: one folder per source, holding its
// pagerates.ini, in a presets folder found relative to this program.
#ifndef PAGERATES_TOOLS_CLI_SOURCES_H_
#define PAGERATES_TOOLS_CLI_SOURCES_H_

#include <string>

#include "cli/command_line.h"

namespace pagerates::cli {

// The folder of the shipped presets: `presets` beside this program (a
// build folder, the Windows zip), else the installed tree's
// (share/pagerates/presets), found relative to this program. Empty with
// `*error` set when there is none.
std::string PresetsDirectory(std::string* error);

// The INI file of the shipped source `id`; empty with `*error` set when
// there is no such source.
std::string SourceIniPath(const std::string& id, std::string* error);

// `pagerates sources`: one line per shipped source, in id order: id, home
// currency, whether past days can be asked for, name, address.
int RunSources(const CommandLine& line);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CLI_SOURCES_H_
