#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "check/check_report.h"
#include "cli/commands.h"
#include "config/plugin_config.h"
#include "host/host_os.h"

namespace pagerates::cli {

int RunCheck(const CommandLine& line, const std::string& module_path) {
  std::string ini_path = line.ini_path.empty()
                             ? PluginConfig::ConfigFilePath(module_path)
                             : line.ini_path;
  // A missing file, or a UTF-16 one, would read as one without keys.
  std::string problem = IniFileProblem(ini_path);
  if (!problem.empty()) {
    PrintError(problem);
    return kExitFailure;
  }
  std::string reason;
  std::optional<PageToCheck> page;
  if (!line.page_path.empty()) {
    page.emplace();
    page->name = line.page_path == "-" ? "(standard input)" : line.page_path;
    page->date = line.first_date;
    page->preset = line.preset;
    PageText text;
    reason = ReadPage(line.page_path, &text);
    if (!reason.empty()) {
      PrintError("cannot read page " + page->name + ": " + reason);
      return kExitFailure;
    }
    page->bytes.assign(text.view());
  }
  CheckOutcome outcome = CheckIni(ini_path, page);
  WriteOutput(outcome.report);
  return Finish(outcome.problems ? kExitFailure : kExitOk);
}

}  // namespace pagerates::cli
