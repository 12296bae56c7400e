#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "config/plugin_config.h"
#include "host/host_os.h"

namespace pagerates::cli {

// `module_path`'s INI file, when none was given and it is missing, is
// named on stderr: every value the module reports is then empty.
int RunInfo(const Module& module, const CommandLine& line,
            const std::string& module_path) {
  if (line.ini_path.empty()) {
    std::string ini_path = PluginConfig::ConfigFilePath(module_path);
    std::unique_ptr<std::FILE, FileCloser> ini(
        std::fopen(ini_path.c_str(), "rb"));
    if (ini == nullptr) {
      PrintError("no INI file beside the module: it looked for " + ini_path +
                 " (" + ErrorText(errno) + "), so it has no presets");
    }
  }
  ModuleInfo info = module.Info();
  std::string text = "name: " + info.name + "\nserver: " + info.server +
                     "\nhome-currency-code: " + info.home_currency_code +
                     "\nhome-currency-name: " + info.home_currency_name +
                     "\ncode-page: " + std::to_string(info.code_page) +
                     "\nauthor: " + info.author + "\nemail: " + info.email +
                     "\nhome-page: " + info.home_page + "\n";
  WriteOutput(text);
  return Finish(kExitOk);
}

}  // namespace pagerates::cli
