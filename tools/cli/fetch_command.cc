#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/calendar.h"
#include "cli/commands.h"
#include "fetch/http_fetcher.h"
#include "host/host_hooks.h"
#include "host/host_os.h"

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

// Downloads the pages of `days` that have an address, several at once.
// Runs on the downloading thread; the days are its own until it returns.
// Interrupted, it leaves the rest without page or error: the run stops
// before it reaches them.
void DownloadPages(HttpFetcher* fetcher, std::vector<Day>* days) {
  std::vector<std::string> addresses;
  std::vector<Day*> asked;
  for (Day& day : *days) {
    if (day.address.empty()) continue;
    addresses.push_back(day.address);
    asked.push_back(&day);
  }
  fetcher->FetchEach(addresses, [&](size_t index, const Download& download) {
    Day& day = *asked[index];
    if (download.ok()) {
      day.page.assign(download.body() != nullptr ? download.body() : "",
                      download.size());
    } else {
      day.error = day.address + ": " + download.Outcome();
    }
    return !Interrupted();
  });
}

// A record with where it goes in the output: the day whose call delivered
// it (the primary preset's records), or the day of its own date (the
// secondary presets', which the module delivers for every pending day at
// once), but no earlier than the day of the call that delivered it. Within
// a day the primary preset's records come first.
struct Placed {
  int64_t day;
  bool secondary;
  Record record;
};

// The records of the calls so far, until every day they may go to has
// had its call.
class Reorder {
 public:
  void Add(int64_t call_day, bool secondary, Record record) {
    const int64_t day =
        secondary ? std::max(call_day, DayNumber(record.date)) : call_day;
    placed_.push_back(Placed{day, secondary, std::move(record)});
  }
  // The records that go to `last_day` or before, in output order.
  std::vector<Record> TakeUpTo(int64_t last_day) {
    std::stable_sort(
        placed_.begin(), placed_.end(), [](const Placed& a, const Placed& b) {
          return a.day != b.day ? a.day < b.day : a.secondary < b.secondary;
        });
    std::vector<Record> out;
    size_t taken = 0;
    for (; taken < placed_.size() && placed_[taken].day <= last_day; ++taken) {
      out.push_back(std::move(placed_[taken].record));
    }
    placed_.erase(placed_.begin(), placed_.begin() + static_cast<long>(taken));
    return out;
  }

 private:
  std::vector<Placed> placed_;
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
  size_t Take(size_t count) {
    return std::min(std::exchange(start_, kNone), count);
  }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  const RecordingSink* sink_;
  DownloadReportHandler previous_;
  size_t start_ = kNone;
};

}  // namespace

// With more than one connection the run is a pipeline of batches of days:
// the module gives the addresses of a batch (GetResources for each day),
// a thread of its own downloads the batch's pages while the module is
// handed the pages of the batch before, one day at a time in date order,
// on this thread. The module thus sees the dates of two batches when it
// downloads its own pages; records wait in Reorder until the day they go to
// has had its call. With one connection: one day after another, as a host
// asks.
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
  const int64_t batch_days = line.connections > 1 ? kDaysPerBatch : 1;
  int64_t done = 0;
  int64_t failed = 0;
  size_t record_count = 0;
  RecordingSink sink;
  SecondaryStart secondary_start(&sink);
  Reorder reorder;

  // The module's requests for the batch starting at day `start`, the
  // batches asked for in order.
  RateDate next_date = line.first_date;
  auto request_batch = [&](int64_t start) {
    std::vector<Day> days;
    for (int64_t i = start; i < std::min(total, start + batch_days); ++i) {
      Day& day = days.emplace_back();
      day.date = std::exchange(next_date, NextDay(next_date));
      module.GetResources(day.date, &sink);
      std::optional<PageRequest> request = sink.TakeRequest();
      if (!request) {
        day.error = "the module asked for no page for " + FormatDate(day.date);
      } else {
        day.address = line.scheme + "://" + info.server + request->path;
      }
    }
    return days;
  };
  auto start_download = [&](std::vector<Day>* days) {
    if (line.connections == 1) {
      DownloadPages(&fetcher, days);
      return std::future<void>();
    }
    return std::async(std::launch::async, DownloadPages, &fetcher, days);
  };

  // With one connection nothing is asked for ahead: each day's request,
  // download and call come in turn, and records in the order delivered.
  const bool ahead = line.connections > 1;
  std::vector<Day> days = request_batch(0);
  std::future<void> downloading = start_download(&days);
  for (int64_t start = 0; start < total; start += batch_days) {
    if (downloading.valid()) downloading.wait();
    std::vector<Day> current = std::move(days);
    const bool more = start + batch_days < total;
    if (ahead && more && !Interrupted()) {
      days = request_batch(start + batch_days);
      downloading = start_download(&days);
    }
    for (size_t i = 0; i < current.size() && !Interrupted(); ++i) {
      const Day& day = current[i];
      const int64_t index = start + static_cast<int64_t>(i);
      progress.Show(day.date, index + 1, total, done, record_count);
      ++done;
      if (!day.error.empty()) {
        progress.Clear();
        PrintError(day.error);
        ++failed;
        continue;
      }
      module.FetchRates(day.page, day.date, &sink);
      std::vector<Record> records = sink.TakeRecords();
      const size_t secondary = secondary_start.Take(records.size());
      record_count += records.size();
      for (size_t r = 0; r < records.size(); ++r) {
        reorder.Add(first_day + index, ahead && r >= secondary,
                    std::move(records[r]));
      }
    }
    const bool last = start + batch_days >= total || Interrupted();
    std::vector<Record> records =
        reorder.TakeUpTo(last ? INT64_MAX : DayNumber(current.back().date));
    std::string text = formatter->Add(records);
    std::vector<std::string> notes = formatter->TakeNotes();
    if (!notes.empty()) progress.Clear();
    for (const std::string& note : notes) PrintError(note);
    if (!text.empty()) {
      if (output_on_terminal) progress.Clear();
      WriteOutput(text);
      std::fflush(stdout);
    }
    if (Interrupted()) break;
    if (!ahead && more) {
      days = request_batch(start + batch_days);
      downloading = start_download(&days);
    }
  }
  if (downloading.valid()) downloading.wait();
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
