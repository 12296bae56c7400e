#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "output/output_buffer.h"

namespace pagerates::cli {

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
  PageText page;
  std::string reason = ReadPage(line.page_path, &page);
  if (!reason.empty()) {
    bool from_stdin = line.page_path.empty() || line.page_path == "-";
    PrintError(
        "cannot read page " +
        (from_stdin ? std::string("from standard input") : line.page_path) +
        ": " + reason);
    return kExitFailure;
  }
  {
    // Each record is written as it arrives.
    OutputBuffer out(stdout);
    FormattedStream stream(formatter.get(), &out);
    sink.Stream(&stream);
    module.FetchRates(page.c_str(), line.first_date, &sink);
    if (sink.failed()) {
      out.Flush();
      PrintError("out of memory while writing the module's rates");
      return kExitFailure;
    }
    formatter->WriteEnd(out.text());
  }
  PrintNotes(formatter.get());
  return Finish(kExitOk);
}

}  // namespace pagerates::cli
