#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/calendar.h"
#include "cli/commands.h"
#include "host/host_os.h"
#include "fetch/http_fetcher.h"
#include "host/host_hooks.h"

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

// Days whose requests the module is handed before their pages, so that one
// call sees all of their dates and downloads the secondary presets' pages
// of them at once.
constexpr int64_t kDaysPerBatch = 32;

// One day of a batch.
struct Day {
  RateDate date{};
  std::string address;  // empty when the module asked for no page
  std::string page;
  std::string error;  // why there is no page; empty when there is one
};

// A record with where it goes in the output: the day whose call delivered
// it (the primary preset's records), or the day of its own date within the
// batch (the secondary presets', which the batch's first call delivers for
// every day). Within a day the primary preset's records come first.
struct Placed {
  int64_t day;
  bool secondary;
  Record record;
};

// Notes, while it lives, how many records a call had delivered when the
// module first reported a download of its own: those after it came from
// the secondary presets' pages. Reports still reach the handler before.
class SecondaryStart {
 public:
  explicit SecondaryStart(const RecordingSink* sink) : sink_(sink) {
    previous_ = SetDownloadReportHandler(nullptr);
    SetDownloadReportHandler([this](const DownloadReport& report) {
      if (start_ == kNone) start_ = sink_->records().size();
      if (previous_) previous_(report);
    });
  }
  ~SecondaryStart() { SetDownloadReportHandler(std::move(previous_)); }
  SecondaryStart(const SecondaryStart&) = delete;
  SecondaryStart& operator=(const SecondaryStart&) = delete;

  // The index of the call's first secondary record (the count of its
  // records when there is none), and ready for the next call.
  size_t Take(size_t count) { return std::min(std::exchange(start_, kNone), count); }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  const RecordingSink* sink_;
  DownloadReportHandler previous_;
  size_t start_ = kNone;
};

}  // namespace

int RunFetch(const CommandLine& line, const Module& module) {
  ModuleInfo info = module.Info();
  if (info.server.empty()) {
    PrintError("the module names no server; check its INI file");
    return kExitFailure;
  }
  CatchInterrupts();
  FetchLimits limits;
  limits.max_parallel = line.connections;
  HttpFetcher fetcher(limits);
  fetcher.set_should_stop(&Interrupted);
  fetcher.Open();
  if (!fetcher.ready()) {
    PrintError(std::string("cannot load ") + port::kCurlLibraryName +
               " or it lacks a function downloads need");
    return kExitFailure;
  }

  std::unique_ptr<RecordFormatter> formatter = MakeFormatter(line, module);
  if (formatter == nullptr) return kExitFailure;
  // Output going to the same terminal must not land inside the progress
  // line.
  Progress progress(IsTerminal(stderr));
  g_print_download_reports = line.verbose;
  ProgressInUse in_use(&progress);
  const bool output_on_terminal = IsTerminal(stdout);
  const int64_t first_day = DayNumber(line.first_date);
  const int64_t total = DayNumber(line.last_date) - first_day + 1;
  // One day at a time with one connection, as a host asks.
  const int64_t batch_days = line.connections > 1 ? kDaysPerBatch : 1;
  int64_t done = 0;
  int64_t failed = 0;
  size_t record_count = 0;
  RecordingSink sink;
  SecondaryStart secondary_start(&sink);
  RateDate next_date = line.first_date;
  for (int64_t start = 0; start < total && !Interrupted();
       start += batch_days) {
    // The batch's requests, then its pages, several at once.
    std::vector<Day> days;
    std::vector<std::string> addresses;
    for (int64_t i = start; i < std::min(total, start + batch_days); ++i) {
      Day& day = days.emplace_back();
      day.date = std::exchange(next_date, NextDay(next_date));
      module.GetResources(day.date, &sink);
      std::optional<PageRequest> request = sink.TakeRequest();
      if (!request) {
        day.error = "the module asked for no page for " + FormatDate(day.date);
        continue;
      }
      day.address = line.scheme + "://" + info.server + request->path;
      addresses.push_back(day.address);
    }
    progress.Show(days.front().date, start + 1, total, done, record_count);
    std::vector<Day*> asked;
    for (Day& day : days) {
      if (!day.address.empty()) asked.push_back(&day);
    }
    fetcher.FetchEach(addresses, [&](size_t index, const Download& download) {
      Day& day = *asked[index];
      if (download.ok()) {
        day.page.assign(download.body() != nullptr ? download.body() : "",
                        download.size());
      } else {
        day.error = day.address + ": " + download.Outcome();
      }
      return !Interrupted();
    });

    // The module, one day at a time in date order.
    const int64_t batch_first = DayNumber(days.front().date);
    const int64_t batch_last = DayNumber(days.back().date);
    std::vector<Placed> placed;
    for (size_t i = 0; i < days.size() && !Interrupted(); ++i) {
      const Day& day = days[i];
      progress.Show(day.date, start + static_cast<int64_t>(i) + 1, total, done,
                    record_count);
      ++done;
      if (day.address.empty() || !day.error.empty()) {
        progress.Clear();
        PrintError(day.error.empty() ? day.address + ": not downloaded"
                                     : day.error);
        ++failed;
        continue;
      }
      module.FetchRates(day.page, day.date, &sink);
      std::vector<Record> records = sink.TakeRecords();
      const size_t secondary = secondary_start.Take(records.size());
      record_count += records.size();
      for (size_t r = 0; r < records.size(); ++r) {
        const int64_t own = std::clamp(DayNumber(records[r].date), batch_first,
                                       batch_last);
        placed.push_back(Placed{r < secondary ? batch_first +
                                                    static_cast<int64_t>(i)
                                              : own,
                                r >= secondary, std::move(records[r])});
      }
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) {
                       return a.day != b.day ? a.day < b.day
                                             : a.secondary < b.secondary;
                     });
    std::vector<Record> records;
    records.reserve(placed.size());
    for (Placed& p : placed) records.push_back(std::move(p.record));
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
    return Finish(InterruptedStatus());
  }
  return Finish(failed > 0 ? kExitFailure : kExitOk);
}

}  // namespace pagerates::cli
