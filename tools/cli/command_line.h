// The command line of the `pagerates` host: what the user asked for, or why
// the request makes no sense. Pure: nothing here touches the system.
//
// Options may come before or after the command, as "--name value" or
// "--name=value"; "--" ends the options; "-" is an ordinary argument. Each
// option may be given once and only where its command takes it. One table
// of options (name, argument, the commands that take it, help text) drives
// both the parser and the usage texts.
#ifndef PAGERATES_TOOLS_CLI_COMMAND_LINE_H_
#define PAGERATES_TOOLS_CLI_COMMAND_LINE_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fetch/http_fetcher.h"
#include "output/record_format.h"
#include "pagerates/abi.h"

namespace pagerates::cli {

// The client's own default.
inline constexpr int kDefaultConnections = FetchLimits().max_parallel;
inline constexpr int kMaxConnections = 16;

enum class Command { kHelp, kVersion, kInfo, kScan, kFetch, kCheck, kSources };

struct CommandLine {
  Command command = Command::kHelp;
  // kHelp: the command whose usage was asked for ("scan --help", "help
  // scan"); kHelp itself for the general usage.
  Command help_topic = Command::kHelp;
  std::string module_path;  // empty: the module beside the executable
  std::string ini_path;     // empty: the INI beside the module
  std::string source;       // --source: a shipped source's id, for ini_path
  // scan, check with a page: the date. fetch: the first and last day,
  // inclusive (the same day for --date); first_date <= last_date.
  RateDate first_date{};
  RateDate last_date{};
  std::optional<OutputFormat> format;  // empty: chosen by the terminal
  bool invert = false;                 // price formats: value1 is the home side
  std::string scheme = "http";         // fetch: "http" or "https"
  // fetch: downloads at once, 1 to kMaxConnections; with 1 the module is
  // handed one day at a time, as a host does.
  int connections = kDefaultConnections;
  bool verbose = false;  // scan: the request; both: downloads
  // scan: empty or "-" is stdin. check: empty for no page, "-" is stdin.
  std::string page_path;
  std::string preset;  // check with a page: the active preset to scan with
};

// Exactly one of the two is set.
struct ParsedCommandLine {
  std::optional<CommandLine> command_line;
  std::string error;  // one line, without the program name
};

// `args` are the arguments after the program name.
ParsedCommandLine ParseCommandLine(std::span<const std::string_view> args);

// The usage text of `command`, ending with a newline: its synopsis, what it
// does and the options it takes. kHelp (or kVersion): the general usage,
// every command and every option.
std::string UsageText(Command command);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CLI_COMMAND_LINE_H_
