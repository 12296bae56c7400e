#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/calendar.h"
#include "cli/commands.h"
#include "host/host_os.h"
#include "host/http_download.h"

namespace pagerates::cli {

namespace {

// The progress line of a fetch, redrawn in place on a terminal.
class Progress final : public StatusLine {
 public:
  explicit Progress(bool enabled) : enabled_(enabled) {}

  void Show(RateDate date, int64_t index, int64_t total, int64_t done,
            size_t records) {
    Draw("fetching " + FormatDate(date) + " (" + std::to_string(index) + "/" +
         std::to_string(total) + "), " + std::to_string(done) +
         " dates done, " + std::to_string(records) + " records");
  }

  // Removes the line so that other output can start at the left margin.
  void Clear() override {
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

// Makes `progress` the status line being drawn while it lives.
class ProgressInUse {
 public:
  explicit ProgressInUse(Progress* progress) { g_status_line = progress; }
  ~ProgressInUse() { g_status_line = nullptr; }
  ProgressInUse(const ProgressInUse&) = delete;
  ProgressInUse& operator=(const ProgressInUse&) = delete;
};

}  // namespace

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

}  // namespace pagerates::cli
