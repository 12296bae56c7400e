// `pagerates check --page` against `pagerates scan` on the same page.
//
// A page of one line holds N records (N = 10,000, 40,000 and 160,000) whose
// pattern names value2 before value1, and whose values have more decimals
// than the preset keeps: check looks up the line and column of both
// values of every match, value1's first, on one long line:
//   BM_Check  CheckIni() with the page: the INI file loaded and checked,
//             the page scanned with the trace, the report and the page's
//             findings written (all of `check --page` but reading files);
//   BM_Scan   ScanPage() with the loaded preset, every record written as
//             a line of JSON into a buffer emptied every 64 KiB (the work of
//             `scan` but reading the page and writing the text out).
// After the runs a summary gives check's time as a multiple of scan's at
// every size and how check's time per record grows from the smallest page
// to the largest, with PASS/FAIL against the targets (for information: the
// exit code stays 0).
//
// Build and run from the source tree:
//   cmake --preset default && cmake --build build --target
//   pagerates_check_bench
//   && build/pagerates_check_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/check_report.h"
#include "config/plugin_config.h"
#include "output/record_format.h"
#include "pagerates/abi.h"
#include "parse/page_scanner.h"
#include "tests/support/temp_dir.h"

namespace pagerates::cli {
namespace {

constexpr int kRecordCounts[] = {10000, 40000, 160000};
// check's time / scan's, largest page.
constexpr double kMaxCheckToScan = 20;
// check's time per record, 160k / 10k records: large pages cost more per
// record in memory alone (scan's grows too), but a cost that grows with the
// page times the records (a walk from the line's start for every match)
// makes it 16.
constexpr double kMaxPerRecordGrowth = 4;
constexpr RateDate kDate = {2016, 9, 8};

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "pagerates_check_bench: %s\n", message.c_str());
  std::abort();
}

const char kIni[] =
    "[main]\nActivePreset=p\n[p]\nHomeCurrencyCode=CAD\n"
    "PageURL=http://bank.example/r\nCodepage=65001\n"
    "Record=<r v2=\"(?<value2>[\\d.]+)\" c=\"(?<code>[A-Z]{3})\" "
    "v1=\"(?<value1>[\\d.]+)\"/>\n";

// One line of `records` records, each value with six decimals.
std::string OneLinePage(int records) {
  std::string page;
  for (int i = 0; i < records; ++i) {
    char code[4] = {static_cast<char>('A' + i % 26),
                    static_cast<char>('A' + i / 26 % 26),
                    static_cast<char>('A' + i / 676 % 26), '\0'};
    page += "<r v2=\"1." + std::to_string(100000 + i % 900000) + "\" c=\"" +
            code + "\" v1=\"1.000001\"/> ";
  }
  return page;
}

struct Fixture {
  testing::TempDir files;
  std::string ini_path = files.Write("pagerates.ini", kIni);
  PluginConfig config;
  std::map<int, std::string> pages;

  Fixture() {
    CollectedDiagnostics diagnostics;
    config.Load(ini_path, &diagnostics);
    if (config.preset_count() != 1) Die("the preset was not loaded");
    for (int records : kRecordCounts) pages[records] = OneLinePage(records);
  }
};

Fixture* g_fixture = nullptr;  // set by main() before the runs

// What `scan` does with each record: its line of JSON, appended to a
// buffer that is handed on (here: emptied) whenever it holds 64 KiB.
class JsonLinesSink final : public RateSink {
 public:
  void PAGERATES_THISCALL RequestResource(const ResourceRequest*) override {}
  void PAGERATES_THISCALL AddRate(const RateRecord* r) override {
    formatter_->Write(
        RecordView{r->date, r->code, r->name, r->value1, r->value2}, &text);
    if (text.size() >= 64 * 1024) {
      benchmark::DoNotOptimize(text.data());
      text.clear();
    }
    ++count;
  }
  std::string text;
  int count = 0;

 private:
  std::unique_ptr<RecordFormatter> formatter_ =
      MakeRecordFormatter(OutputFormat::kJsonl);
};

void BM_Scan(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string& page = g_fixture->pages[records];
  const CompiledPreset& preset = *g_fixture->config.presets()->preset(0);
  for (auto _ : state) {
    JsonLinesSink sink;
    CollectedDiagnostics diagnostics;
    ScanPage(preset, page.c_str(), kDate, &sink, &diagnostics, nullptr);
    if (sink.count != records)
      Die("scan delivered " + std::to_string(sink.count));
    benchmark::DoNotOptimize(sink.text.data());
  }
  state.SetItemsProcessed(state.iterations() * records);
}

void BM_Check(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  PageToCheck page{"page", g_fixture->pages[records], kDate, ""};
  const std::optional<PageToCheck> to_check(std::move(page));
  for (auto _ : state) {
    CheckOutcome outcome = CheckIni(g_fixture->ini_path, to_check);
    // Every value loses digits: that is the finding the report must hold.
    if (outcome.report.find("value2") == std::string::npos) Die(outcome.report);
    benchmark::DoNotOptimize(outcome.report.data());
  }
  state.SetItemsProcessed(state.iterations() * records);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int records : kRecordCounts) b->Arg(records);
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_Scan)->Apply(Sizes);
BENCHMARK(BM_Check)->Apply(Sizes);

// The console display, keeping each run's real time per record for the
// summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const std::string name = run.benchmark_name();
      const size_t slash = name.find('/');
      const int records = std::atoi(name.c_str() + slash + 1);
      seconds_[{name.substr(0, slash), records}] =
          run.GetAdjustedRealTime() / 1e3;  // milliseconds
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintSummary() const {
    std::printf("\nSummary (real time)\n%8s  %10s  %10s  %8s\n", "records",
                "scan s", "check s", "check/scan");
    double ratio = 0;
    for (int records : kRecordCounts) {
      const double scan = Get("BM_Scan", records);
      const double check = Get("BM_Check", records);
      ratio = scan > 0 ? check / scan : 0;
      std::printf("%8d  %10.4f  %10.4f  %8.1f\n", records, scan, check, ratio);
    }
    const int small = kRecordCounts[0];
    const int large = kRecordCounts[std::size(kRecordCounts) - 1];
    const double small_per = Get("BM_Check", small) / small;
    const double growth =
        small_per > 0 ? Get("BM_Check", large) / large / small_per : 0;
    std::printf("check / scan at %d records: %.1f (target at most %.0f): %s\n",
                large, ratio, kMaxCheckToScan,
                ratio <= kMaxCheckToScan ? "PASS" : "FAIL");
    std::printf(
        "check time per record, %d / %d records: %.2f (target at most %.1f): "
        "%s\n",
        large, small, growth, kMaxPerRecordGrowth,
        growth <= kMaxPerRecordGrowth ? "PASS" : "FAIL");
  }

 private:
  double Get(const std::string& name, int records) const {
    auto found = seconds_.find({name, records});
    return found == seconds_.end() ? 0 : found->second;
  }

  std::map<std::pair<std::string, int>, double> seconds_;
};

}  // namespace
}  // namespace pagerates::cli

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  pagerates::cli::Fixture fixture;
  pagerates::cli::g_fixture = &fixture;
  pagerates::cli::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
