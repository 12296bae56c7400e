#include "cli/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "cli/calendar.h"

namespace pagerates::cli {

namespace {

constexpr unsigned Bit(Command command) {
  return 1u << static_cast<unsigned>(command);
}

// The commands, in the order the general usage lists them.
struct CommandSpec {
  Command command;
  std::string_view name;
  // After the name; lines after the first are indented by the printer.
  std::string_view synopsis;
  std::string_view description;
};

constexpr CommandSpec kCommands[] = {
    {Command::kSources, "sources", "",
     "List the shipped sources: id, home currency, whether past days\n"
     "can be asked for, name and address."},
    {Command::kInfo, "info", "[--ini FILE | --source ID]",
     "Print what the module reports about itself."},
    {Command::kScan, "scan",
     "[--ini FILE | --source ID] --date YYYY-MM-DD\n"
     "[--format FORMAT [--invert]] [-v] [PAGE]",
     "Scan one page for the date: the file PAGE, or standard input when\n"
     "PAGE is absent or \"-\"."},
    {Command::kFetch, "fetch",
     "[--ini FILE | --source ID]\n"
     "(--date YYYY-MM-DD | --from YYYY-MM-DD --to YYYY-MM-DD)\n"
     "[--scheme http|https] [--connections N]\n"
     "[--format FORMAT [--invert]] [-v]",
     "Download and scan the page of each day. Pages are downloaded\n"
     "several at once; the module is handed them in date order."},
    {Command::kCheck, "check",
     "[--ini FILE | --source ID]\n"
     "[--page FILE --date YYYY-MM-DD [--preset NAME]]",
     "Check the INI file's active presets and report every problem\n"
     "found. With a page, also show how the preset (the primary one\n"
     "unless --preset names another active preset) scans it: where the\n"
     "Prologue and Epilogue match, and every record match with its\n"
     "groups and what becomes of it."},
};

// The options, one row each, in the order Option numbers them.
enum Option {
  kModule,
  kIni,
  kSource,
  kDate,
  kFrom,
  kTo,
  kFormat,
  kInvert,
  kScheme,
  kConnections,
  kPage,
  kPreset,
  kVerbose,
  kOptionCount
};

struct OptionSpec {
  std::string_view name;
  std::string_view short_name;  // empty: none
  std::string_view argument;    // empty: a flag, which takes no value
  unsigned commands;            // Bit() of each command that takes it
  std::string_view help;        // lines after the first are indented
};

constexpr unsigned kLoading = Bit(Command::kInfo) | Bit(Command::kScan) |
                              Bit(Command::kFetch) | Bit(Command::kCheck);
constexpr unsigned kEvery = kLoading | Bit(Command::kSources);
constexpr unsigned kRates = Bit(Command::kScan) | Bit(Command::kFetch);

constexpr std::array<OptionSpec, kOptionCount> kOptions = {{
    {"--module", "", "PATH", kEvery,
     "module to load (default: the pagerates module beside\n"
     "this program)"},
    {"--ini", "", "FILE", kLoading,
     "use FILE instead of the INI file beside the module"},
    {"--source", "", "ID", kLoading, "use the shipped source ID's INI file"},
    {"--date", "", "DAY", kRates | Bit(Command::kCheck), "the day to ask for"},
    {"--from", "", "DAY", Bit(Command::kFetch),
     "first day of a range (included)"},
    {"--to", "", "DAY", Bit(Command::kFetch), "last day of a range (included)"},
    {"--format", "", "FORMAT", kRates,
     "jsonl, csv, table, ledger or beancount (default:\n"
     "table on a terminal, jsonl otherwise)"},
    {"--invert", "", "", kRates,
     "ledger, beancount: value1 is the home-currency amount\n"
     "and value2 the foreign one (default: the reverse)"},
    {"--scheme", "", "SCHEME", Bit(Command::kFetch), "http (default) or https"},
    {"--connections", "", "N", Bit(Command::kFetch),
     "downloads at once, 1 to 16 (default 8; 1 asks for\n"
     "one day at a time, as a host does)"},
    {"--page", "", "FILE", Bit(Command::kCheck),
     "check: the page to scan (\"-\": standard input)"},
    {"--preset", "", "NAME", Bit(Command::kCheck),
     "check: the active preset to scan the page with"},
    {"--verbose", "-v", "", kRates,
     "scan: print the module's page request; scan, fetch:\n"
     "print the module's own downloads and their outcomes;\n"
     "both to standard error"},
}};

constexpr size_t kHelpColumn = 19;

// `text`'s lines, each after the first preceded by `indent` spaces.
std::string Indented(std::string_view text, size_t indent) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\n') out.append(indent, ' ');
  }
  return out;
}

std::string OptionLines(const OptionSpec& option) {
  std::string label =
      option.short_name.empty()
          ? std::string(option.name)
          : std::string(option.short_name) + ", " + std::string(option.name);
  if (!option.argument.empty()) label += " " + std::string(option.argument);
  std::string line = "  " + label;
  line.append(line.size() + 2 > kHelpColumn ? 2 : kHelpColumn - line.size(),
              ' ');
  return line + Indented(option.help, kHelpColumn) + "\n";
}

const CommandSpec* FindCommand(Command command) {
  for (const CommandSpec& spec : kCommands) {
    if (spec.command == command) return &spec;
  }
  return nullptr;
}

const CommandSpec* FindCommand(std::string_view name) {
  for (const CommandSpec& spec : kCommands) {
    if (spec.name == name) return &spec;
  }
  return nullptr;
}

constexpr std::string_view kExitStatus =
    "Exit status: 0 when the run completed, 1 when the module, a file or a\n"
    "download failed (check: when it reported a problem), 2 for a usage\n"
    "error.\n";

ParsedCommandLine Error(std::string message) {
  return ParsedCommandLine{std::nullopt, std::move(message)};
}

// Finds the option `arg` names; `*value` gets the text after '=' if any.
std::optional<Option> LookUp(std::string_view arg,
                             std::optional<std::string_view>* value) {
  std::string_view name = arg;
  size_t equals = arg.find('=');
  if (arg.starts_with("--") && equals != std::string_view::npos) {
    name = arg.substr(0, equals);
    *value = arg.substr(equals + 1);
  }
  for (int i = 0; i < kOptionCount; ++i) {
    if (name == kOptions[i].name ||
        (!kOptions[i].short_name.empty() && name == kOptions[i].short_name)) {
      return static_cast<Option>(i);
    }
  }
  return std::nullopt;
}

// The options given, by Option, and the other words in order.
struct Words {
  std::optional<std::string_view> values[kOptionCount];
  std::vector<std::string_view> operands;  // the command first
};

// Sorts `args` into options with their values and other words; the reason
// when an option is unknown, repeated, or lacks or has a value wrongly.
std::string Collect(std::span<const std::string_view> args, Words* words) {
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      words->operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::optional<std::string_view> value;
    std::optional<Option> option = LookUp(arg, &value);
    if (!option) return "unknown option " + std::string(arg);
    const OptionSpec& spec = kOptions[*option];
    const std::string name(spec.name);
    if (words->values[*option]) return "option " + name + " given twice";
    if (spec.argument.empty()) {
      if (value) return "option " + name + " takes no value";
      value = "";
    } else if (!value) {
      if (i + 1 == args.size()) return "option " + name + " needs a value";
      value = args[++i];
    }
    words->values[*option] = value;
  }
  return std::string();
}

// The day an option names, into `*date`; the reason when it names none.
std::string DateOf(const Words& words, Option option, RateDate* date) {
  std::string_view text = *words.values[option];
  std::optional<RateDate> parsed = ParseDate(text);
  if (!parsed) {
    return "invalid date " + std::string(text) + " for " +
           std::string(kOptions[option].name) +
           " (expected an existing day as YYYY-MM-DD)";
  }
  *date = *parsed;
  return std::string();
}

// The options every command may share, into `*line`.
std::string ApplyCommon(const Words& words, CommandLine* line) {
  const auto& values = words.values;
  if (values[kModule]) {
    if (values[kModule]->empty()) return "empty module path";
    line->module_path = *values[kModule];
  }
  if (values[kIni]) {
    if (values[kIni]->empty()) return "empty INI file path";
    line->ini_path = *values[kIni];
  }
  if (values[kSource]) {
    if (values[kIni]) return "give either --ini or --source";
    if (values[kSource]->empty()) return "empty source id";
    line->source = *values[kSource];
  }
  if (values[kFormat]) {
    line->format = ParseOutputFormat(*values[kFormat]);
    if (!line->format) {
      return "unknown format " + std::string(*values[kFormat]) +
             " (use jsonl, csv, table, ledger or beancount)";
    }
  }
  if (values[kInvert]) {
    if (!line->format || !PrintsPrices(*line->format)) {
      return "--invert goes with --format ledger or --format beancount";
    }
    line->invert = true;
  }
  if (values[kScheme]) {
    if (*values[kScheme] != "http" && *values[kScheme] != "https") {
      return "unknown scheme " + std::string(*values[kScheme]) +
             " (use http or https)";
    }
    line->scheme = *values[kScheme];
  }
  if (values[kConnections]) {
    const std::string_view text = *values[kConnections];
    int count = 0;
    const auto [end, failure] =
        std::from_chars(text.data(), text.data() + text.size(), count);
    if (failure != std::errc() || end != text.data() + text.size() ||
        count < 1 || count > kMaxConnections) {
      return "--connections takes a number from 1 to " +
             std::to_string(kMaxConnections);
    }
    line->connections = count;
  }
  line->verbose = values[kVerbose].has_value();
  return std::string();
}

// check's page, date and preset, into `*line`.
std::string ApplyCheckPage(const Words& words, CommandLine* line) {
  const auto& values = words.values;
  if (values[kPreset]) {
    if (values[kPreset]->empty()) return "empty preset name";
    line->preset = *values[kPreset];
  }
  if (!values[kPage]) {
    if (values[kDate]) return "--date goes with --page";
    if (values[kPreset]) return "--preset goes with --page";
    return std::string();
  }
  if (values[kPage]->empty()) return "empty page path";
  line->page_path = *values[kPage];
  if (!values[kDate]) return "--page needs --date";
  std::string error = DateOf(words, kDate, &line->first_date);
  line->last_date = line->first_date;
  return error;
}

// scan's and fetch's days, into `*line`.
std::string ApplyDays(const Words& words, const CommandSpec& command,
                      CommandLine* line) {
  const auto& values = words.values;
  const bool range = values[kFrom] || values[kTo];
  if (values[kDate] && range) return "give either --date or --from and --to";
  if (values[kDate]) {
    std::string error = DateOf(words, kDate, &line->first_date);
    line->last_date = line->first_date;
    return error;
  }
  if (!range) {
    return std::string(command.name) + " needs " +
           (command.command == Command::kScan ? "--date"
                                              : "--date, or --from and --to");
  }
  if (!values[kFrom] || !values[kTo]) {
    return "a range needs both --from and --to";
  }
  std::string error = DateOf(words, kFrom, &line->first_date);
  if (error.empty()) error = DateOf(words, kTo, &line->last_date);
  if (error.empty() &&
      DayNumber(line->last_date) < DayNumber(line->first_date)) {
    error = "--to is before --from";
  }
  return error;
}

// The command a help request is about: the first word before "--" that
// names one.
Command HelpTopic(std::span<const std::string_view> args) {
  for (std::string_view arg : args) {
    if (arg == "--") break;
    if (const CommandSpec* spec = FindCommand(arg)) return spec->command;
  }
  return Command::kHelp;
}

}  // namespace

std::string UsageText(Command command) {
  const CommandSpec* spec = FindCommand(command);
  std::string text = "Usage: pagerates [--module PATH] ";
  if (spec != nullptr) {
    text += spec->name;
    if (!spec->synopsis.empty()) {
      // A long first line is broken after the command.
      const size_t first = spec->synopsis.find('\n');
      const bool fits =
          text.size() + 1 + std::min(first, spec->synopsis.size()) < 80;
      text += (fits ? " " : "\n        ") + Indented(spec->synopsis, 8);
    }
    text += "\n\n" + std::string(spec->description) + "\n\nOptions:\n";
  } else {
    text +=
        "COMMAND [OPTIONS]\n\n"
        "Loads the pagerates module and plays the host application for it.\n"
        "\nCommands:\n";
    for (const CommandSpec& each : kCommands) {
      std::string name = "  " + std::string(each.name);
      if (!each.synopsis.empty()) {
        name.resize(std::max<size_t>(name.size() + 1, 8), ' ');
      }
      text += name + Indented(each.synopsis, 8) + "\n      " +
              Indented(each.description, 6) + "\n";
    }
    text += "\nOptions:\n";
  }
  for (const OptionSpec& option : kOptions) {
    if (spec == nullptr || (option.commands & Bit(command)) != 0) {
      text += OptionLines(option);
    }
  }
  text += OptionLines({"--help", "-h", "", 0,
                       spec != nullptr ? "print this text"
                                       : "print this text; after a command, "
                                         "that command's usage"});
  if (spec == nullptr) {
    text += OptionLines(
        {"--version", "", "", 0, "print the version of this program"});
  }
  return text + "\n" + std::string(kExitStatus);
}

ParsedCommandLine ParseCommandLine(std::span<const std::string_view> args) {
  // A help request wins over anything else on the line, then a version
  // request.
  bool version = false;
  for (std::string_view arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") {
      CommandLine line;
      line.help_topic = HelpTopic(args);
      return {line, ""};
    }
    version = version || arg == "--version";
  }
  CommandLine line;
  if (version) {
    line.command = Command::kVersion;
    return {line, ""};
  }
  Words words;
  std::string error = Collect(args, &words);
  if (!error.empty()) return Error(error);
  if (words.operands.empty()) {
    // Options without a command.
    for (const auto& value : words.values) {
      if (value) return Error("no command given");
    }
    return {line, ""};
  }
  const std::string_view name = words.operands.front();
  const CommandSpec* command = FindCommand(name);
  if (command == nullptr && name != "help") {
    return Error("unknown command " + std::string(name));
  }
  line.command = command != nullptr ? command->command : Command::kHelp;
  // help takes any option, and ignores it.
  for (int i = 0; i < kOptionCount && command != nullptr; ++i) {
    if (words.values[i] && (kOptions[i].commands & Bit(line.command)) == 0) {
      return Error("option " + std::string(kOptions[i].name) +
                   " does not apply to " + std::string(name));
    }
  }
  // scan's page; help's topic.
  const size_t allowed =
      command == nullptr || line.command == Command::kScan ? 2 : 1;
  if (words.operands.size() > allowed) {
    return Error("unexpected argument " + std::string(words.operands[allowed]));
  }
  if (command == nullptr) {
    if (words.operands.size() == 2) {
      const CommandSpec* topic = FindCommand(words.operands[1]);
      if (topic == nullptr) {
        return Error("no help for " + std::string(words.operands[1]) +
                     ": it is not a command");
      }
      line.help_topic = topic->command;
    }
    return {line, ""};
  }
  error = ApplyCommon(words, &line);
  if (error.empty() && words.operands.size() == 2) {
    line.page_path = words.operands[1];
  }
  if (error.empty() && line.command == Command::kCheck) {
    error = ApplyCheckPage(words, &line);
  } else if (error.empty() && (kRates & Bit(line.command)) != 0) {
    error = ApplyDays(words, *command, &line);
  }
  if (!error.empty()) return Error(error);
  return {line, ""};
}

}  // namespace pagerates::cli
