#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/sources.h"
#include "config/ini_schema.h"
#include "config/plugin_config.h"
#include "host/host_os.h"
#include "output/text.h"

namespace pagerates::cli {
namespace {

// Ids are folder names of lower-case letters, digits and '-': a name with
// anything else (a path, "..") names no source.
bool IsSourceId(const std::string& id) {
  return !id.empty() && id.front() != '-' &&
         std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
         });
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::vector<std::string> SourceIds(const std::string& directory) {
  std::vector<std::string> ids;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(directory, error)) {
    std::string id = entry.path().filename().string();
    if (IsSourceId(id) && IsFile(directory + kPathSeparator + id +
                                 kPathSeparator + "pagerates.ini")) {
      ids.push_back(std::move(id));
    }
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string Padded(const std::string& text, size_t width) {
  size_t shown = DisplayWidth(text);
  return text + std::string(shown < width ? width - shown : 0, ' ');
}

}  // namespace

std::string PresetsDirectory(std::string* error) {
  std::string directory = ExecutableDirectory();
  if (directory.empty()) {
    *error = "cannot find the directory of this program; use --ini";
    return std::string();
  }
  std::string beside = directory + kPathSeparator + "presets";
  std::string installed = directory + kPathSeparator +
                          std::string(PAGERATES_PRESETS_DIR_FROM_BINDIR);
  for (const std::string& path : {beside, installed}) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return path;
  }
  *error = "no shipped presets at " + beside + " or " + installed;
  return std::string();
}

std::string SourceIniPath(const std::string& id, std::string* error) {
  std::string directory = PresetsDirectory(error);
  if (directory.empty()) return std::string();
  std::string path =
      directory + kPathSeparator + id + kPathSeparator + "pagerates.ini";
  if (!IsSourceId(id) || !IsFile(path)) {
    *error = "no shipped source " + DisplayText(id) +
             " (pagerates sources lists them)";
    return std::string();
  }
  return path;
}

int RunSources(const CommandLine&) {
  std::string error;
  std::string directory = PresetsDirectory(&error);
  if (directory.empty()) {
    PrintError(error);
    return kExitFailure;
  }
  struct Row {
    std::string id, home, history, name, address;
  };
  std::vector<Row> rows;
  for (const std::string& id : SourceIds(directory)) {
    PluginConfig config;
    CollectedDiagnostics ignored;  // `check --source` reports them
    config.Load(
        directory + kPathSeparator + id + kPathSeparator + "pagerates.ini",
        &ignored);
    const std::string section(config.PresetName(0));
    auto read = [&](Key key) {
      return std::string(config.ReadString(section, KeyName(key)).view());
    };
    std::string history = read(Key::kHistory);
    rows.push_back({id, read(Key::kHomeCurrencyCode),
                    history.empty() ? std::string("?") : history,
                    read(Key::kName), read(Key::kPageUrl)});
  }
  size_t widths[3] = {2, 4, 9};
  for (const Row& row : rows) {
    widths[0] = std::max(widths[0], DisplayWidth(row.id));
    widths[1] = std::max(widths[1], DisplayWidth(row.home));
    widths[2] = std::max(widths[2], DisplayWidth(row.history));
  }
  std::string text = Padded("ID", widths[0]) + "  " +
                     Padded("HOME", widths[1]) + "  " +
                     Padded("PAST DAYS", widths[2]) + "  NAME\n";
  for (const Row& row : rows) {
    text += Padded(DisplayText(row.id), widths[0]) + "  " +
            Padded(DisplayText(row.home), widths[1]) + "  " +
            Padded(DisplayText(row.history), widths[2]) + "  " +
            DisplayText(row.name) + "\n" + std::string(widths[0] + 2, ' ') +
            DisplayText(row.address) + "\n";
  }
  text += std::to_string(rows.size()) + " sources in " +
          DisplayText(directory) + "\n";
  WriteOutput(text);
  return Finish(kExitOk);
}

}  // namespace pagerates::cli
