// `pagerates`: a command-line host for the pagerates module. It loads the
// module as a host application does and plays the host's part: asks for
// the page of a day, hands the page over and prints the rates it gets back.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/calendar.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/sources.h"
#include "config/plugin_config.h"
#include "host/host_hooks.h"
#include "host/host_os.h"
#include "host/module_host.h"
#include "output/record_format.h"

namespace pagerates::cli {
namespace {

// The module this program loads without --module: the one beside it (a
// build tree, the Windows folder), else the one in the plug-in folder of
// the tree it is installed in, found relative to this program so that the
// tree may be moved. Empty with `*error` set when there is none.
std::string DefaultModulePath(std::string* error) {
  std::string directory = ExecutableDirectory();
  if (directory.empty()) {
    *error = "cannot find the directory of this program; use --module";
    return std::string();
  }
  std::string file_name = std::string("pagerates") + kModuleExtension;
  std::string beside = directory + kPathSeparator + file_name;
  std::string_view installed_dir = PAGERATES_MODULE_DIR_FROM_BINDIR;
  if (installed_dir.empty() || installed_dir == ".") return beside;
  std::string installed = directory + kPathSeparator +
                          std::string(installed_dir) + kPathSeparator +
                          file_name;
  for (const std::string& path : {beside, installed}) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (file != nullptr) return path;
  }
  *error = "no module at " + beside + " or " + installed + "; use --module";
  return std::string();
}

// Where the module's message boxes and download reports go: lines on
// stderr, as they come.
void PrintHookCalls() {
  SetMessageBoxHandler([](const MessageBoxEntry& box) {
    std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    std::fflush(stderr);
  });
  SetDownloadReportHandler([](const DownloadReport& report) {
    if (!g_print_download_reports) return;
    if (g_status_line != nullptr) g_status_line->Clear();
    std::fprintf(stderr, "download: %s: %s\n", report.address.c_str(),
                 report.outcome.c_str());
    std::fflush(stderr);
  });
}

int Run(int argc, char** argv) {
  EndCleanlyOnSignals();
  PrintHookCalls();
  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.command_line) {
    PrintError(parsed.error);
    std::fputs("\n", stderr);
    std::fputs(UsageText(Command::kHelp).c_str(), stderr);
    return kExitUsage;
  }
  const CommandLine& line = *parsed.command_line;
  if (line.command == Command::kHelp) {
    std::fputs(UsageText(line.help_topic).c_str(), stdout);
    return Finish(kExitOk);
  }

  if (line.command == Command::kVersion) {
    WriteOutput("pagerates " PAGERATES_VERSION "\n");
    return Finish(kExitOk);
  }
  if (line.command == Command::kSources) return RunSources(line);
  if (!line.source.empty()) {
    std::string error;
    parsed.command_line->ini_path = SourceIniPath(line.source, &error);
    if (line.ini_path.empty()) {
      PrintError(error);
      return kExitFailure;
    }
  }

  std::string module_path = line.module_path;
  if (module_path.empty()) {
    std::string error;
    module_path = DefaultModulePath(&error);
    if (module_path.empty()) {
      PrintError(error);
      return kExitFailure;
    }
  }
  if (line.command == Command::kCheck) return RunCheck(line, module_path);
  std::string error;
  std::unique_ptr<Module> module =
      Module::Load(module_path, line.ini_path, &error);
  if (module == nullptr) {
    PrintError(error);
    return kExitFailure;
  }
  switch (line.command) {
    case Command::kInfo:
      return RunInfo(*module, line, module_path);
    case Command::kScan:
      return RunScan(line, *module);
    case Command::kFetch:
      return RunFetch(line, *module);
    case Command::kCheck:
    case Command::kSources:
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return kExitOk;
}

}  // namespace
}  // namespace pagerates::cli

int main(int argc, char** argv) {
  try {
    return pagerates::cli::Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pagerates: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "pagerates: unexpected failure\n");
  }
  return 1;
}
