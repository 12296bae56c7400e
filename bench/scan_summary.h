// The scanner benchmark's summary: its speed as a share of the bare
// loop's at every page size, and how its time per row grows, with
// PASS/FAIL against the targets.
#ifndef PAGERATES_BENCH_SCAN_SUMMARY_H_
#define PAGERATES_BENCH_SCAN_SUMMARY_H_

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pagerates {

constexpr char kScanPageName[] = "BM_ScanPage";
constexpr char kBareLoopName[] = "BM_BarePcreLoop";
constexpr int kRowCounts[] = {1000, 10000, 100000};

// ---- Summary --------------------------------------------------------------

constexpr double kMinSpeedRatio = 0.5;    // ScanPage / bare loop at 100k rows
constexpr double kMaxPerRowGrowth = 1.3;  // ScanPage time per row, 100k / 1k

struct Measured {
  double bytes_per_second = 0;
  double rows_per_second = 0;
};

// Hands every report to the display Google Benchmark's flags ask for and
// keeps each run's rates for the summary (the median when runs repeat).
class SummaryReporter : public benchmark::BenchmarkReporter {
 public:
  // The display belongs to the library.
  explicit SummaryReporter(benchmark::BenchmarkReporter* display)
      : display_(display) {}

  bool ReportContext(const Context& context) override {
    return display_->ReportContext(context);
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) Keep(run);
    display_->ReportRuns(runs);
  }
  void Finalize() override { display_->Finalize(); }

  // Prints the summary table and the two verdicts on stdout after a console
  // display, on stderr after JSON or CSV (which must stay parseable).
  void PrintSummary() const {
    const bool console =
        dynamic_cast<benchmark::ConsoleReporter*>(display_) != nullptr;
    std::FILE* out = console ? stdout : stderr;
    std::fprintf(out,
                 "\nSummary (MiB/s of windows-1251 page bytes, CPU time)\n");
    std::fprintf(out, "%8s  %15s  %15s  %7s  %15s  %15s\n", "rows",
                 "ScanPage MiB/s", "bare MiB/s", "ratio", "ScanPage ns/row",
                 "bare ns/row");
    for (int rows : kRowCounts) {
      const Measured* scan = Find(kScanPageName, rows);
      const Measured* bare = Find(kBareLoopName, rows);
      std::fprintf(
          out, "%8d  %15s  %15s  %7s  %15s  %15s\n", rows,
          Text(scan ? scan->bytes_per_second / kMiB : 0, "%.1f").c_str(),
          Text(bare ? bare->bytes_per_second / kMiB : 0, "%.1f").c_str(),
          Text(Ratio(scan, bare), "%.3f").c_str(),
          Text(NsPerRow(scan), "%.1f").c_str(),
          Text(NsPerRow(bare), "%.1f").c_str());
    }
    const int small = kRowCounts[0];
    const int large = kRowCounts[std::size(kRowCounts) - 1];
    const Measured* scan_small = Find(kScanPageName, small);
    const Measured* scan_large = Find(kScanPageName, large);
    const double growth = NsPerRow(scan_large) > 0 && NsPerRow(scan_small) > 0
                              ? NsPerRow(scan_large) / NsPerRow(scan_small)
                              : 0;
    std::fprintf(out, "\n");
    Verdict(
        out, "ScanPage / bare loop speed at " + std::to_string(large) + " rows",
        Ratio(scan_large, Find(kBareLoopName, large)), ">=", kMinSpeedRatio);
    Verdict(out,
            "ScanPage time per row, " + std::to_string(large) + " rows / " +
                std::to_string(small) + " rows",
            growth, "<=", kMaxPerRowGrowth);
  }

 private:
  static constexpr double kMiB = 1024.0 * 1024.0;

  void Keep(const Run& run) {
    if (run.error_occurred) return;
    if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
      return;
    const auto bytes = run.counters.find("bytes_per_second");
    const auto rows = run.counters.find("rows/s");
    if (bytes == run.counters.end() || rows == run.counters.end()) return;
    // A repeated run's median comes after its repetitions and replaces them.
    results_[{run.run_name.function_name,
              std::atoi(run.run_name.args.c_str())}] = {bytes->second.value,
                                                        rows->second.value};
  }

  const Measured* Find(const std::string& name, int rows) const {
    const auto it = results_.find({name, rows});
    return it == results_.end() ? nullptr : &it->second;
  }

  static double Ratio(const Measured* scan, const Measured* bare) {
    return scan != nullptr && bare != nullptr && bare->bytes_per_second > 0
               ? scan->bytes_per_second / bare->bytes_per_second
               : 0;
  }

  static double NsPerRow(const Measured* m) {
    return m != nullptr && m->rows_per_second > 0 ? 1e9 / m->rows_per_second
                                                  : 0;
  }

  // `value` printed with `format`, or "n/a" for a missing measurement (0).
  static std::string Text(double value, const char* format) {
    if (value <= 0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof(text), format, value);
    return text;
  }

  static void Verdict(std::FILE* out, const std::string& what, double value,
                      const char* relation, double target) {
    const char* result = "n/a";
    if (value > 0) {
      const bool pass = relation[0] == '>' ? value >= target : value <= target;
      result = pass ? "PASS" : "FAIL";
    }
    std::fprintf(out, "%-50s %7s  (target %s %.2f)  %s\n", what.c_str(),
                 Text(value, "%.3f").c_str(), relation, target, result);
  }

  benchmark::BenchmarkReporter* display_;
  std::map<std::pair<std::string, int>, Measured> results_;
};

}  // namespace pagerates

#endif  // PAGERATES_BENCH_SCAN_SUMMARY_H_
