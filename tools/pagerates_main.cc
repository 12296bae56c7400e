// `pagerates`: a command-line host for the pagerates module. It loads the
// module as a host application does and plays the host's part: asks for
// the page of a day, hands the page over and prints the rates it gets back.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calendar.h"
#include "check_command.h"
#include "command_line.h"
#include "config/plugin_config.h"
#include "host_os.h"
#include "http_download.h"
#include "module_host.h"
#include "record_format.h"

namespace pagerates::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

void PrintError(const std::string& message) {
  std::fprintf(stderr, "pagerates: %s\n", message.c_str());
}

void WriteOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// Closes a FILE* it owns.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads all of `path` ("" or "-": standard input) into `*bytes`. Empty on
// success, else the reason.
std::string ReadPage(const std::string& path, std::string* bytes) {
  std::unique_ptr<std::FILE, FileCloser> owned;
  std::FILE* file = stdin;
  if (!path.empty() && path != "-") {
    owned.reset(std::fopen(path.c_str(), "rb"));
    if (owned == nullptr) return ErrorText(errno);
    file = owned.get();
  }
  char buffer[65536];
  for (;;) {
    size_t count = std::fread(buffer, 1, sizeof buffer, file);
    bytes->append(buffer, count);
    if (count < sizeof buffer) break;
  }
  if (std::ferror(file)) return ErrorText(errno);
  return std::string();
}

// Completes a run: flushes the output and reports a write failure.
int Finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    PrintError("cannot write the output: " + ErrorText(errno));
    return kExitFailure;
  }
  return status;
}

OutputFormat ChosenFormat(const CommandLine& line) {
  if (line.format) return *line.format;
  return IsTerminal(stdout) ? OutputFormat::kTable : OutputFormat::kJsonl;
}

// The formatter the user asked for, set up with the module's home currency;
// null with the reason printed when the format cannot work with it.
std::unique_ptr<RecordFormatter> MakeFormatter(const CommandLine& line,
                                               const Module& module) {
  OutputFormat format = ChosenFormat(line);
  FormatOptions options{module.Info().home_currency_code, line.invert};
  std::string problem = CheckFormatOptions(format, options);
  if (!problem.empty()) {
    PrintError(problem);
    return nullptr;
  }
  return MakeRecordFormatter(format, options);
}

// Set by -v: the module's download reports are printed.
bool g_print_download_reports = false;

// The formatter's notes about records it left out, on stderr.
void PrintNotes(RecordFormatter* formatter) {
  for (const std::string& note : formatter->TakeNotes()) PrintError(note);
}

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

int RunScan(const CommandLine& line, const Module& module) {
  g_print_download_reports = line.verbose;
  std::unique_ptr<RecordFormatter> formatter = MakeFormatter(line, module);
  if (formatter == nullptr) return kExitFailure;
  RecordingSink sink;
  module.GetResources(line.first_date, &sink);
  std::optional<PageRequest> request = sink.TakeRequest();
  if (line.verbose && request) {
    std::fprintf(
        stderr, "request: path=%s estimated-size=%u date-value=0x%08x\n",
        request->path.c_str(), static_cast<unsigned>(request->estimated_size),
        static_cast<unsigned>(request->date_value));
  }
  std::string page;
  std::string reason = ReadPage(line.page_path, &page);
  if (!reason.empty()) {
    bool from_stdin = line.page_path.empty() || line.page_path == "-";
    PrintError(
        "cannot read page " +
        (from_stdin ? std::string("from standard input") : line.page_path) +
        ": " + reason);
    return kExitFailure;
  }
  module.FetchRates(page, line.first_date, &sink);
  if (sink.failed()) {
    PrintError("out of memory while keeping the module's rates");
    return kExitFailure;
  }
  std::vector<Record> records = sink.TakeRecords();
  std::string text = formatter->Add(records);
  text += formatter->Finish();
  WriteOutput(text);
  PrintNotes(formatter.get());
  return Finish(kExitOk);
}

// The progress line of a fetch, redrawn in place on a terminal.
class Progress {
 public:
  explicit Progress(bool enabled) : enabled_(enabled) {}

  void Show(RateDate date, int64_t index, int64_t total, int64_t done,
            size_t records) {
    Draw("fetching " + FormatDate(date) + " (" + std::to_string(index) + "/" +
         std::to_string(total) + "), " + std::to_string(done) +
         " dates done, " + std::to_string(records) + " records");
  }

  // Removes the line so that other output can start at the left margin.
  void Clear() {
    if (!enabled_ || width_ == 0) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
    width_ = 0;
  }

  // Leaves a summary on its own line.
  void End(int64_t done, int64_t failed, size_t records) {
    if (!enabled_) return;
    Draw(std::to_string(done) + " dates done (" + std::to_string(failed) +
         " failed), " + std::to_string(records) + " records");
    std::fputc('\n', stderr);
    width_ = 0;
  }

 private:
  void Draw(const std::string& text) {
    if (!enabled_) return;
    size_t pad = width_ > text.size() ? width_ - text.size() : 0;
    std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
    std::fflush(stderr);
    width_ = text.size();
  }

  bool enabled_;
  size_t width_ = 0;
};

// The progress line being drawn, which a download report clears first.
Progress* g_progress = nullptr;

// Makes `progress` the one being drawn while it lives.
class ProgressInUse {
 public:
  explicit ProgressInUse(Progress* progress) { g_progress = progress; }
  ~ProgressInUse() { g_progress = nullptr; }
  ProgressInUse(const ProgressInUse&) = delete;
  ProgressInUse& operator=(const ProgressInUse&) = delete;
};

int RunFetch(const CommandLine& line, const Module& module) {
  ModuleInfo info = module.Info();
  if (info.server.empty()) {
    PrintError("the module names no server; check its INI file");
    return kExitFailure;
  }
  CatchInterrupts();
  std::string reason;
  std::unique_ptr<HttpClient> client =
      HttpClient::Create(DownloadLimits(), &Interrupted, &reason);
  if (client == nullptr) {
    PrintError(reason);
    return kExitFailure;
  }

  std::unique_ptr<RecordFormatter> formatter = MakeFormatter(line, module);
  if (formatter == nullptr) return kExitFailure;
  // Output going to the same terminal must not land inside the progress
  // line.
  Progress progress(IsTerminal(stderr));
  g_print_download_reports = line.verbose;
  ProgressInUse in_use(&progress);
  bool output_on_terminal = IsTerminal(stdout);
  int64_t total = DayNumber(line.last_date) - DayNumber(line.first_date) + 1;
  int64_t done = 0;
  int64_t failed = 0;
  size_t record_count = 0;
  RecordingSink sink;
  std::string page;
  RateDate date = line.first_date;
  for (int64_t index = 1; index <= total && !Interrupted();
       ++index, date = NextDay(date)) {
    progress.Show(date, index, total, done, record_count);
    module.GetResources(date, &sink);
    std::optional<PageRequest> request = sink.TakeRequest();
    if (!request) {
      progress.Clear();
      PrintError("the module asked for no page for " + FormatDate(date));
      ++failed;
      ++done;
      continue;
    }
    std::string address = line.scheme + "://" + info.server + request->path;
    if (!client->Get(address, &page, &reason)) {
      if (Interrupted()) break;
      progress.Clear();
      PrintError(address + ": " + reason);
      ++failed;
      ++done;
      continue;
    }
    module.FetchRates(page, date, &sink);
    std::vector<Record> records = sink.TakeRecords();
    record_count += records.size();
    ++done;
    std::string text = formatter->Add(records);
    std::vector<std::string> notes = formatter->TakeNotes();
    if (!notes.empty()) progress.Clear();
    for (const std::string& note : notes) PrintError(note);
    if (!text.empty()) {
      if (output_on_terminal) progress.Clear();
      WriteOutput(text);
      std::fflush(stdout);
    }
  }
  progress.End(done, failed, record_count);
  WriteOutput(formatter->Finish());
  if (sink.failed()) {
    PrintError("out of memory while keeping the module's rates");
    return Finish(kExitFailure);
  }
  if (Interrupted()) {
    PrintError("interrupted");
    return Finish(kExitInterrupted);
  }
  return Finish(failed > 0 ? kExitFailure : kExitOk);
}

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

// The INI file is the one given, or the one a module at `module_path`
// reads; the module itself is not loaded.
int RunCheck(const CommandLine& line, const std::string& module_path) {
  std::string ini_path = line.ini_path.empty()
                             ? PluginConfig::ConfigFilePath(module_path)
                             : line.ini_path;
  // A missing file would read as one without keys.
  std::unique_ptr<std::FILE, FileCloser> ini(
      std::fopen(ini_path.c_str(), "rb"));
  if (ini == nullptr) {
    PrintError("cannot read INI file " + ini_path + ": " + ErrorText(errno));
    return kExitFailure;
  }
  ini.reset();
  std::string reason;
  std::optional<PageToCheck> page;
  if (!line.page_path.empty()) {
    page.emplace();
    page->name = line.page_path == "-" ? "(standard input)" : line.page_path;
    page->date = line.first_date;
    page->preset = line.preset;
    reason = ReadPage(line.page_path, &page->bytes);
    if (!reason.empty()) {
      PrintError("cannot read page " + page->name + ": " + reason);
      return kExitFailure;
    }
  }
  CheckOutcome outcome = CheckIni(ini_path, page);
  WriteOutput(outcome.report);
  return Finish(outcome.problems ? kExitFailure : kExitOk);
}

int Run(int argc, char** argv) {
  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.command_line) {
    PrintError(parsed.error);
    std::fputs("\n", stderr);
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const CommandLine& line = *parsed.command_line;
  if (line.command == Command::kHelp) {
    std::fputs(kUsage, stdout);
    return Finish(kExitOk);
  }

  if (line.command == Command::kVersion) {
    WriteOutput("pagerates " PAGERATES_VERSION "\n");
    return Finish(kExitOk);
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
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return kExitOk;
}

}  // namespace
}  // namespace pagerates::cli

// The module's optional download hook (abi.h), exported from this program
// so that the module finds it.
extern "C" PAGERATES_CLI_EXPORT void PageratesReportDownload(
    const char* address, const char* outcome) {
  using namespace pagerates::cli;
  if (!g_print_download_reports) return;
  if (g_progress != nullptr) g_progress->Clear();
  std::fprintf(stderr, "download: %s: %s\n", address != nullptr ? address : "",
               outcome != nullptr ? outcome : "");
  std::fflush(stderr);
}

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
