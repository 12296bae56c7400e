#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "host/host_os.h"

namespace pagerates::cli {

bool g_print_download_reports = false;
StatusLine* g_status_line = nullptr;

void PrintError(const std::string& message) {
  std::fprintf(stderr, "pagerates: %s\n", message.c_str());
}

void WriteOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

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
  // Straight into the string: a file of known size at once, anything else
  // in blocks that grow, so that a page is copied at most a few times.
  size_t size = bytes->size();
  size_t first_block = 1 << 20;
  if (file != stdin && std::fseek(file, 0, SEEK_END) == 0) {
    long length = std::ftell(file);
    if (length >= 0) first_block = static_cast<size_t>(length) + 1;
    std::rewind(file);
  }
  for (size_t block = first_block;;
       block = std::min<size_t>(block * 2, 1 << 26)) {
    bytes->resize(size + block);
    size_t count = std::fread(bytes->data() + size, 1, block, file);
    size += count;
    if (count < block) break;
  }
  bytes->resize(size);
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

namespace {

OutputFormat ChosenFormat(const CommandLine& line) {
  if (line.format) return *line.format;
  return IsTerminal(stdout) ? OutputFormat::kTable : OutputFormat::kJsonl;
}

}  // namespace

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

// The formatter's notes about records it left out, on stderr.
void PrintNotes(RecordFormatter* formatter) {
  for (const std::string& note : formatter->TakeNotes()) PrintError(note);
}

}  // namespace pagerates::cli
