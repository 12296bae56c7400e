#include "command_line.h"

#include <vector>

#include "calendar.h"

namespace pagerates::cli {

const char kUsage[] =
    "Usage: pagerates [--module PATH] COMMAND [OPTIONS]\n"
    "\n"
    "Loads the pagerates module and plays the host application for it.\n"
    "\n"
    "Commands:\n"
    "  info  [--ini FILE]\n"
    "      Print what the module reports about itself.\n"
    "  scan  [--ini FILE] --date YYYY-MM-DD [--format FORMAT] [-v] [PAGE]\n"
    "      Scan one page for the date: the file PAGE, or standard input when\n"
    "      PAGE is absent or \"-\".\n"
    "  fetch [--ini FILE] (--date YYYY-MM-DD | --from YYYY-MM-DD --to "
    "YYYY-MM-DD)\n"
    "        [--scheme http|https] [--format FORMAT]\n"
    "      Download and scan the page of each day, in order.\n"
    "\n"
    "Options:\n"
    "  --module PATH    module to load (default: pagerates.so beside this "
    "program)\n"
    "  --ini FILE       use FILE instead of the INI file beside the module\n"
    "  --date DAY       the day to ask for\n"
    "  --from DAY, --to DAY\n"
    "                   first and last day of a range (both included)\n"
    "  --format FORMAT  jsonl, csv or table (default: table on a terminal,\n"
    "                   jsonl otherwise)\n"
    "  --scheme SCHEME  http (default) or https\n"
    "  -v, --verbose    print the module's page request to standard error\n"
    "  -h, --help       print this text\n"
    "\n"
    "Exit status: 0 when the run completed, 1 when the module, a file or a\n"
    "download failed, 2 for a usage error.\n";

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
    {"--scheme", "", true}, {"--verbose", "-v", false},
};

// Which options each command takes; --module goes with every command.
bool Accepts(Command command, Option option) {
  switch (command) {
    case Command::kHelp:
      return true;
    case Command::kInfo:
      return option == kModule || option == kIni;
    case Command::kScan:
      return option == kModule || option == kIni || option == kDate ||
             option == kFormat || option == kVerbose;
    case Command::kFetch:
      return option != kVerbose;
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
    case Command::kHelp:
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

  // A help request wins over anything else on the line.
  for (std::string_view arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") return {CommandLine{}, ""};
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
  if (values[kFormat]) {
    line.format = ParseOutputFormat(*values[kFormat]);
    if (!line.format) {
      return Error("unknown format " + std::string(*values[kFormat]) +
                   " (use jsonl, csv or table)");
    }
  }
  if (values[kScheme]) {
    if (*values[kScheme] != "http" && *values[kScheme] != "https") {
      return Error("unknown scheme " + std::string(*values[kScheme]) +
                   " (use http or https)");
    }
    line.scheme = *values[kScheme];
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
  if (line.command == Command::kInfo) return {line, ""};

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
