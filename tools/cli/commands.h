// The commands of `pagerates` and what they share: exit statuses, error
// lines, reading a page, writing and flushing the output.
#ifndef PAGERATES_TOOLS_CLI_COMMANDS_H_
#define PAGERATES_TOOLS_CLI_COMMANDS_H_

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "host/host_os.h"
#include "host/module_host.h"
#include "output/record_format.h"

namespace pagerates::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// Closes a FILE* it owns.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// "pagerates: <message>" on stderr.
void PrintError(const std::string& message);
// `text` on stdout, as it is.
void WriteOutput(std::string_view text);
// A page's bytes, followed by a NUL: the text the module is handed. A file
// is mapped where it can be, else read (never into zeroed memory first).
class PageText {
 public:
  const char* c_str() const { return text_.data(); }
  size_t size() const { return text_.size(); }
  std::string_view view() const { return text_; }

 private:
  friend std::string ReadPage(const std::string& path, PageText* page);
  // The bytes are one of these two; text_ views them.
  std::optional<MappedFile> mapped_;
  std::unique_ptr<char[]> bytes_;
  std::string_view text_ = "";
};
// Reads all of `path` ("" or "-": standard input) into `*page`. Empty on
// success, else the reason.
std::string ReadPage(const std::string& path, PageText* page);
// Completes a run: flushes the output and reports a write failure.
int Finish(int status);
// The formatter the user asked for, set up with the module's home currency;
// null with the reason printed when the format cannot work with it.
std::unique_ptr<RecordFormatter> MakeFormatter(const CommandLine& line,
                                               const Module& module);
// The formatter's notes about records it left out, on stderr.
void PrintNotes(RecordFormatter* formatter);

// Set by -v: the module's download reports are printed.
extern bool g_print_download_reports;

// Something drawn on stderr that a download report must clear first.
class StatusLine {
 public:
  virtual void Clear() = 0;

 protected:
  ~StatusLine() = default;
};
// The status line being drawn, if any.
extern StatusLine* g_status_line;

// The commands; each returns the exit status.
int RunInfo(const Module& module, const CommandLine& line,
            const std::string& module_path);
int RunScan(const CommandLine& line, const Module& module);
int RunFetch(const CommandLine& line, const Module& module);
// The INI file is the one given, or the one a module at `module_path`
// reads; the module itself is not loaded.
int RunCheck(const CommandLine& line, const std::string& module_path);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_CLI_COMMANDS_H_
