#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
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

std::string ReadPage(const std::string& path, PageText* page) {
  std::unique_ptr<std::FILE, FileCloser> owned;
  std::FILE* file = stdin;
  if (!path.empty() && path != "-") {
    // A directory opens and seeks, and tells a length it does not have.
    std::string reason;
    std::optional<FileKind> kind = KindOfFile(path, &reason);
    if (!kind) return reason;
    if (*kind == FileKind::kDirectory) {
      return std::string("it is ") + DescribeFileKind(*kind) + ", not a file";
    }
    page->mapped_ = MappedFile::Open(path);
    if (page->mapped_) {
      page->text_ = {page->mapped_->data(), page->mapped_->size()};
      return std::string();
    }
    owned.reset(std::fopen(path.c_str(), "rb"));
    if (owned == nullptr) return ErrorText(errno);
    file = owned.get();
  }
  // Straight into the buffer: a file of known size at once (one byte more,
  // to see its end), anything else in blocks that double.
  size_t capacity = size_t{1} << 20;
  if (file != stdin && std::fseek(file, 0, SEEK_END) == 0) {
    long length = std::ftell(file);
    if (length >= 0) capacity = static_cast<size_t>(length) + 2;
    std::rewind(file);
  }
  std::unique_ptr<char[]> bytes(new char[capacity]);
  size_t size = 0;
  for (;;) {
    // Room is kept for the NUL.
    const size_t wanted = capacity - 1 - size;
    const size_t count = std::fread(bytes.get() + size, 1, wanted, file);
    size += count;
    if (count < wanted) break;
    std::unique_ptr<char[]> larger(new char[2 * capacity]);
    std::memcpy(larger.get(), bytes.get(), size);
    bytes = std::move(larger);
    capacity *= 2;
  }
  if (std::ferror(file)) return ErrorText(errno);
  bytes[size] = '\0';
  page->bytes_ = std::move(bytes);
  page->text_ = {page->bytes_.get(), size};
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
