#include "cli/command_line.h"

#include <vector>

#include "cli/calendar.h"

namespace pagerates::cli {

const char kUsage[] =
    "Usage: pagerates [--module PATH] COMMAND [OPTIONS]\n"
    "\n"
    "Loads the pagerates module and plays the host application for it.\n"
    "\n"
    "Commands:\n"
    "  sources\n"
    "      List the shipped sources: id, home currency, whether past days\n"
    "      can be asked for, name and address.\n"
    "  info  [--ini FILE | --source ID]\n"
    "      Print what the module reports about itself.\n"
    "  scan  [--ini FILE | --source ID] --date YYYY-MM-DD\n"
    "        [--format FORMAT [--invert]] [-v] [PAGE]\n"
    "      Scan one page for the date: the file PAGE, or standard input when\n"
    "      PAGE is absent or \"-\".\n"
    "  fetch [--ini FILE | --source ID]\n"
    "        (--date YYYY-MM-DD | --from YYYY-MM-DD --to YYYY-MM-DD)\n"
    "        [--scheme http|https] [--connections N] [--format FORMAT\n"
    "        [--invert]] [-v]\n"
    "      Download and scan the page of each day. Pages are downloaded\n"
    "      several at once; the module is handed them in date order.\n"
    "  check [--ini FILE | --source ID]\n"
    "        [--page FILE --date YYYY-MM-DD [--preset NAME]]\n"
    "      Check the INI file's active presets and report every problem\n"
    "      found. With a page, also show how the preset (the primary one\n"
    "      unless --preset names another active preset) scans it: where the\n"
    "      Prologue and Epilogue match, and every record match with its\n"
    "      groups and what becomes of it.\n"
    "\n"
    "Options:\n"
    "  --module PATH    module to load (default: the pagerates module beside\n"
    "                   this program)\n"
    "  --ini FILE       use FILE instead of the INI file beside the module\n"
    "  --source ID      use the shipped source ID's INI file (info, scan,\n"
    "                   fetch, check)\n"
    "  --date DAY       the day to ask for\n"
    "  --from DAY, --to DAY\n"
    "                   first and last day of a range (both included)\n"
    "  --format FORMAT  jsonl, csv, table, ledger or beancount (default:\n"
    "                   table on a terminal, jsonl otherwise)\n"
    "  --invert         ledger, beancount: value1 is the home-currency amount\n"
    "                   and value2 the foreign one (default: the reverse)\n"
    "  --scheme SCHEME  http (default) or https\n"
    "  --connections N  fetch: downloads at once, 1 to 16 (default 8; 1 asks\n"
    "                   for one day at a time, as a host does)\n"
    "  --page FILE      check: the page to scan (\"-\": standard input)\n"
    "  --preset NAME    check: the active preset to scan the page with\n"
    "  -v, --verbose    scan: print the module's page request; scan, fetch:\n"
    "                   print the module's own downloads and their outcomes;\n"
    "                   both to standard error\n"
    "  -h, --help       print this text\n"
    "  --version        print the version of this program\n"
    "\n"
    "Exit status: 0 when the run completed, 1 when the module, a file or a\n"
    "download failed (check: when it reported a problem), 2 for a usage\n"
    "error.\n";

namespace {

enum Option {
  kModule,
  kIni,
  kDate,
  kFrom,
  kTo,
  kFormat,
  kScheme,
  kVerbose,
  kInvert,
  kPage,
  kPreset,
  kSource,
  kConnections,
  kOptionCount
};

struct OptionInfo {
  std::string_view name;
  std::string_view short_name;
  bool takes_value;
};

constexpr OptionInfo kOptions[kOptionCount] = {
    {"--module", "", true}, {"--ini", "", true},        {"--date", "", true},
    {"--from", "", true},   {"--to", "", true},         {"--format", "", true},
    {"--scheme", "", true}, {"--verbose", "-v", false}, {"--invert", "", false},
    {"--page", "", true},   {"--preset", "", true},     {"--source", "", true},
    {"--connections", "", true},
};

// Which options each command takes; --module goes with every command.
bool Accepts(Command command, Option option) {
  switch (command) {
    case Command::kHelp:
      return true;
    case Command::kSources:
      return option == kModule;
    case Command::kInfo:
      return option == kModule || option == kIni || option == kSource;
    case Command::kScan:
      return option == kModule || option == kIni || option == kSource ||
             option == kDate || option == kFormat || option == kInvert ||
             option == kVerbose;
    case Command::kFetch:
      return option == kModule || option == kIni || option == kSource ||
             option == kDate || option == kFrom || option == kTo ||
             option == kFormat || option == kInvert || option == kScheme ||
             option == kVerbose || option == kConnections;
    case Command::kCheck:
      return option == kModule || option == kIni || option == kSource ||
             option == kPage || option == kDate || option == kPreset;
    case Command::kVersion:
      break;
  }
  return false;
}

std::string_view CommandName(Command command) {
  switch (command) {
    case Command::kInfo:
      return "info";
    case Command::kScan:
      return "scan";
    case Command::kFetch:
      return "fetch";
    case Command::kCheck:
      return "check";
    case Command::kSources:
      return "sources";
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return "help";
}

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

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string_view> args) {
  std::optional<std::string_view> values[kOptionCount];
  std::optional<std::string_view> command_name;
  std::vector<std::string_view> operands;
  bool options_ended = false;

  // A help request wins over anything else on the line, then a version
  // request.
  bool version = false;
  for (std::string_view arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") return {CommandLine{}, ""};
    version = version || arg == "--version";
  }
  if (version) {
    CommandLine line;
    line.command = Command::kVersion;
    return {line, ""};
  }
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    bool is_option = !options_ended && arg.size() > 1 && arg[0] == '-';
    if (!is_option) {
      if (!command_name) {
        command_name = arg;
      } else {
        operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::optional<std::string_view> value;
    std::optional<Option> option = LookUp(arg, &value);
    if (!option) return Error("unknown option " + std::string(arg));
    const OptionInfo& info = kOptions[*option];
    if (values[*option]) {
      return Error("option " + std::string(info.name) + " given twice");
    }
    if (!info.takes_value) {
      if (value) {
        return Error("option " + std::string(info.name) + " takes no value");
      }
      values[*option] = "";
      continue;
    }
    if (!value) {
      if (i + 1 == args.size()) {
        return Error("option " + std::string(info.name) + " needs a value");
      }
      value = args[++i];
    }
    values[*option] = *value;
  }

  CommandLine line;
  if (!command_name) {
    // Options without a command.
    for (const auto& value : values) {
      if (value) return Error("no command given");
    }
    return {line, ""};
  }
  if (*command_name == "info") {
    line.command = Command::kInfo;
  } else if (*command_name == "scan") {
    line.command = Command::kScan;
  } else if (*command_name == "fetch") {
    line.command = Command::kFetch;
  } else if (*command_name == "check") {
    line.command = Command::kCheck;
  } else if (*command_name == "sources") {
    line.command = Command::kSources;
  } else if (*command_name == "help") {
    line.command = Command::kHelp;
  } else {
    return Error("unknown command " + std::string(*command_name));
  }
  std::string command_text(CommandName(line.command));

  for (int i = 0; i < kOptionCount; ++i) {
    if (values[i] && !Accepts(line.command, static_cast<Option>(i))) {
      return Error("option " + std::string(kOptions[i].name) +
                   " does not apply to " + command_text);
    }
  }
  size_t allowed_operands = line.command == Command::kScan ? 1 : 0;
  if (operands.size() > allowed_operands) {
    return Error("unexpected argument " +
                 std::string(operands[allowed_operands]));
  }
  if (line.command == Command::kHelp) return {line, ""};

  if (values[kModule]) {
    if (values[kModule]->empty()) return Error("empty module path");
    line.module_path = *values[kModule];
  }
  if (values[kIni]) {
    if (values[kIni]->empty()) return Error("empty INI file path");
    line.ini_path = *values[kIni];
  }
  if (values[kSource]) {
    if (values[kIni]) return Error("give either --ini or --source");
    if (values[kSource]->empty()) return Error("empty source id");
    line.source = *values[kSource];
  }
  if (values[kFormat]) {
    line.format = ParseOutputFormat(*values[kFormat]);
    if (!line.format) {
      return Error("unknown format " + std::string(*values[kFormat]) +
                   " (use jsonl, csv, table, ledger or beancount)");
    }
  }
  if (values[kInvert]) {
    if (!line.format || !PrintsPrices(*line.format)) {
      return Error("--invert goes with --format ledger or --format beancount");
    }
    line.invert = true;
  }
  if (values[kScheme]) {
    if (*values[kScheme] != "http" && *values[kScheme] != "https") {
      return Error("unknown scheme " + std::string(*values[kScheme]) +
                   " (use http or https)");
    }
    line.scheme = *values[kScheme];
  }
  if (values[kConnections]) {
    const std::string_view text = *values[kConnections];
    int count = 0;
    for (char c : text) {
      count = c >= '0' && c <= '9' && count < 100 ? count * 10 + (c - '0') : 100;
    }
    if (text.empty() || count < 1 || count > kMaxConnections) {
      return Error("--connections takes a number from 1 to " +
                   std::to_string(kMaxConnections));
    }
    line.connections = count;
  }
  line.verbose = values[kVerbose].has_value();
  if (!operands.empty()) line.page_path = operands[0];

  auto date_of = [&values](Option option, RateDate* date) -> std::string {
    std::optional<RateDate> parsed = ParseDate(*values[option]);
    if (!parsed) {
      return "invalid date " + std::string(*values[option]) + " for " +
             std::string(kOptions[option].name) +
             " (expected an existing day as YYYY-MM-DD)";
    }
    *date = *parsed;
    return std::string();
  };
  if (line.command == Command::kInfo || line.command == Command::kSources) {
    return {line, ""};
  }

  if (line.command == Command::kCheck) {
    if (values[kPreset]) {
      if (values[kPreset]->empty()) return Error("empty preset name");
      line.preset = *values[kPreset];
    }
    if (!values[kPage]) {
      if (values[kDate]) return Error("--date goes with --page");
      if (values[kPreset]) return Error("--preset goes with --page");
      return {line, ""};
    }
    if (values[kPage]->empty()) return Error("empty page path");
    line.page_path = *values[kPage];
    if (!values[kDate]) return Error("--page needs --date");
    std::string error = date_of(kDate, &line.first_date);
    if (!error.empty()) return Error(error);
    line.last_date = line.first_date;
    return {line, ""};
  }

  bool range = values[kFrom] || values[kTo];
  if (values[kDate] && range) {
    return Error("give either --date or --from and --to");
  }
  if (values[kDate]) {
    std::string error = date_of(kDate, &line.first_date);
    if (!error.empty()) return Error(error);
    line.last_date = line.first_date;
    return {line, ""};
  }
  if (!range) {
    return Error(command_text + " needs " +
                 (line.command == Command::kScan
                      ? "--date"
                      : "--date, or --from and --to"));
  }
  if (!values[kFrom] || !values[kTo]) {
    return Error("a range needs both --from and --to");
  }
  std::string error = date_of(kFrom, &line.first_date);
  if (error.empty()) error = date_of(kTo, &line.last_date);
  if (!error.empty()) return Error(error);
  if (DayNumber(line.last_date) < DayNumber(line.first_date)) {
    return Error("--to is before --from");
  }
  return {line, ""};
}

}  // namespace pagerates::cli
