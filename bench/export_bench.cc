// The module as a host sees it, against bare PCRE JIT loops over the same
// UTF-8 page with the same single record pattern:
//   BM_FetchRates/N         FetchRates through the loaded module's export,
//                           every record going to a counting sink;
//   BM_BareLoop/N           the pattern compiled once, then pcre_exec from
//                           the end of each match, one named group read per
//                           match (what a scanner cannot do with less);
//   BM_BareLoopCompiling/N  the same, compiling and JIT-compiling the
//                           pattern in every iteration, as a host that kept
//                           nothing between pages would;
//   BM_CliScanJsonl/N       `pagerates scan --format jsonl` of the page as a
//                           file, the whole process, output to /dev/null.
// All in processor time (for the command line, its child process's). The
// summary gives the three ratios the module is held to:
//   FetchRates / bare loop speed at 100k rows          (at least 0.85)
//   FetchRates / compiling bare loop speed at 40 rows  (at least 1.0)
//   pagerates scan jsonl time / bare loop time at 200k rows (at most 2.0)
// Build and run: cmake --build build --target pagerates_export_bench &&
// build/pagerates_export_bench --benchmark_repetitions=9
//   --benchmark_enable_random_interleaving=true
// (the ratios then use the fastest of the nine runs of each).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pcre.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bare_pattern.h"
#include "host/module_host.h"
#include "pagerates/abi.h"
#include "tests/support/counting_sink.h"

extern char** environ;

namespace pagerates {
namespace {

using testing::CountingSink;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "pagerates_export_bench: %s\n", message.c_str());
  std::exit(1);
}

constexpr char kRecordPattern[] =
    "<tr><td>(?<code>[A-Z]{3})</td><td>(?<value1>[0-9]+)</td>"
    "<td>(?<name>[^<]*)</td><td>(?<value2>[0-9.]+)</td></tr>";
constexpr RateDate kDate = {2016, 9, 8};

std::string MakePage(int rows) {
  std::string page = "<html><table>\n";
  char row[160];
  for (int i = 0; i < rows; ++i) {
    const char code[4] = {static_cast<char>('A' + i % 26),
                          static_cast<char>('A' + i / 26 % 26),
                          static_cast<char>('A' + i / 676 % 26), 0};
    std::snprintf(
        row, sizeof row,
        "<tr><td>%s</td><td>%d</td><td>Валюта %d</td><td>%d.%04d</td></tr>\n",
        code, 1 + i % 100, i, 10 + i % 90, i % 10000);
    page += row;
  }
  return page + "</table></html>\n";
}

const std::string& Page(int rows) {
  static std::map<int, std::string> pages;
  auto [it, inserted] = pages.try_emplace(rows);
  if (inserted) it->second = MakePage(rows);
  return it->second;
}

// ---- Bare loops ----------------------------------------------------------

void BM_BareLoop(benchmark::State& state) {
  const std::string& page = Page(static_cast<int>(state.range(0)));
  const BarePattern bare(kRecordPattern);
  unsigned checksum = 0;
  for (auto _ : state) {
    if (bare.Scan(page.data(), page.size(), &checksum) != state.range(0))
      Die("bare loop lost rows");
  }
  benchmark::DoNotOptimize(checksum);
}

void BM_BareLoopCompiling(benchmark::State& state) {
  const std::string& page = Page(static_cast<int>(state.range(0)));
  unsigned checksum = 0;
  for (auto _ : state) {
    const BarePattern bare(kRecordPattern);
    if (bare.Scan(page.data(), page.size(), &checksum) != state.range(0))
      Die("bare loop lost rows");
  }
  benchmark::DoNotOptimize(checksum);
}

// ---- Through the module ----------------------------------------------------

// The module and its INI file staged in a directory of their own.
struct Staged {
  std::filesystem::path dir;
  std::string module;
  std::string page_file;

  Staged() {
    dir = std::filesystem::temp_directory_path() /
          ("pagerates-export-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    module = (dir / "pagerates.so").string();
    std::filesystem::remove(module);
    std::filesystem::create_symlink(PAGERATES_MODULE_PATH, module);
    std::ofstream((dir / "pagerates.ini").string(), std::ios::binary)
        << "[main]\nActivePreset=bench\n[bench]\nName=Bench\n"
           "PageURL=http://rates.invalid/daily\nHomeCurrencyCode=RUB\n"
           "Codepage=65001\nDecimalSeparator=.\nRecord="
        << kRecordPattern << "\n";
    page_file = (dir / "page.html").string();
  }
  ~Staged() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

Staged& Stage() {
  static Staged staged;
  return staged;
}

void BM_FetchRates(benchmark::State& state) {
  const std::string& page = Page(static_cast<int>(state.range(0)));
  std::string error;
  std::unique_ptr<cli::Module> module =
      cli::Module::Load(Stage().module, "", &error);
  if (module == nullptr) Die(error);
  CountingSink sink;
  for (auto _ : state) module->FetchRates(page, kDate, &sink);
  if (sink.count != state.iterations() * state.range(0))
    Die("FetchRates lost rows");
  benchmark::DoNotOptimize(sink.checksum);
}

void BM_CliScanJsonl(benchmark::State& state) {
  const std::string& page = Page(static_cast<int>(state.range(0)));
  Staged& staged = Stage();
  std::ofstream(staged.page_file, std::ios::binary) << page;
  std::vector<std::string> args = {
      PAGERATES_CLI_PATH, "--module", staged.module, "scan",          "--date",
      "2016-09-08",       "--format", "jsonl",       staged.page_file};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) !=
        0) {
      Die("cannot start pagerates");
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      Die("pagerates scan failed");
    // The child's processor time, as the other benchmarks count theirs.
    state.SetIterationTime(
        static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) *
            1e-6);
  }
  posix_spawn_file_actions_destroy(&actions);
}

// ---- Summary ---------------------------------------------------------------

// Keeps each run's wall time per iteration, by name.
class Keeper : public benchmark::BenchmarkReporter {
 public:
  explicit Keeper(benchmark::BenchmarkReporter* display) : display_(display) {}
  bool ReportContext(const Context& context) override {
    return display_->ReportContext(context);
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // One run, or the fastest of repeated ones: on a shared machine the
      // noise only ever adds time.
      const bool single =
          run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      const bool fastest =
          run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
      if (run.iterations <= 0 || !(single || fastest)) continue;
      // CPU time, except where it is measured by hand (the child's).
      const std::string& full = run.run_name.str();
      const bool manual = full.find("manual_time") != std::string::npos;
      const std::string name = full.substr(0, full.find("/manual_time"));
      seconds[name] =
          (manual ? run.real_accumulated_time : run.cpu_accumulated_time) /
          static_cast<double>(run.iterations);
    }
    display_->ReportRuns(runs);
  }
  void Finalize() override { display_->Finalize(); }

  void Ratio(const char* what, const std::string& numerator,
             const std::string& denominator, bool at_least,
             double bound) const {
    auto n = seconds.find(numerator), d = seconds.find(denominator);
    if (n == seconds.end() || d == seconds.end()) return;
    // Speed ratios are time ratios turned over.
    double ratio = at_least ? d->second / n->second : n->second / d->second;
    bool pass = at_least ? ratio >= bound : ratio <= bound;
    std::printf("%-58s %6.2f  (%s %.2f: %s)\n", what, ratio,
                at_least ? ">=" : "<=", bound, pass ? "PASS" : "FAIL");
  }

  std::map<std::string, double> seconds;

 private:
  benchmark::BenchmarkReporter* display_;
};

double Fastest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

}  // namespace
}  // namespace pagerates

int main(int argc, char** argv) {
  using namespace pagerates;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (benchmark::internal::Benchmark* b :
       {benchmark::RegisterBenchmark("BM_FetchRates", BM_FetchRates)
            ->Arg(40)
            ->Arg(100000),
        benchmark::RegisterBenchmark("BM_BareLoop", BM_BareLoop)
            ->Arg(100000)
            ->Arg(200000),
        benchmark::RegisterBenchmark("BM_BareLoopCompiling",
                                     BM_BareLoopCompiling)
            ->Arg(40)}) {
    b->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
  }
  benchmark::RegisterBenchmark("BM_CliScanJsonl", BM_CliScanJsonl)
      ->Arg(200000)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->ComputeStatistics("min", Fastest);
  Keeper keeper(benchmark::CreateDefaultDisplayReporter());
  benchmark::RunSpecifiedBenchmarks(&keeper);
  std::printf("\nSummary (processor time; the fastest when runs repeat)\n");
  keeper.Ratio("FetchRates / bare loop speed, 100k rows",
               "BM_FetchRates/100000", "BM_BareLoop/100000", true, 0.85);
  keeper.Ratio("FetchRates / compiling bare loop speed, 40 rows",
               "BM_FetchRates/40", "BM_BareLoopCompiling/40", true, 1.0);
  keeper.Ratio("pagerates scan --format jsonl / bare loop time, 200k rows",
               "BM_CliScanJsonl/200000", "BM_BareLoop/200000", false, 2.0);
  benchmark::Shutdown();
  return 0;
}
