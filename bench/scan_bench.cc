// Page scanning throughput: ScanPage against a bare PCRE search loop.
//
// Pages of 1k, 10k and 100k table rows (windows-1251 bytes, Cyrillic
// currency names, comma decimals) are built in memory and scanned two ways:
//   BM_ScanPage      ScanPage() with the preset below, every record going to
//                    a sink that counts them;
//   BM_BarePcreLoop  the preset's record pattern compiled and studied as the
//                    module does it, run with pcre_exec over the page already
//                    converted to UTF-8, each search starting where the last
//                    match ended, one named group read per match.
// Both count the windows-1251 page size as bytes processed, so their speeds
// compare directly; ScanPage's time includes its conversion to UTF-8, the
// bare loop's does not. After the runs a summary gives ScanPage's speed as a
// share of the bare loop's at every size and how its time per row grows from
// 1k to 100k rows, with PASS/FAIL against the targets (for information: the
// exit code stays 0).
//
// Build and run from the source tree:
//   cmake --preset default && cmake --build build --target pagerates_bench &&
//   build/pagerates_bench
// Rates are per CPU second, the library's default: steadier than wall time
// on a shared machine. Google Benchmark's flags apply, e.g.
// --benchmark_counters_tabular=true for counters in columns, or
// --benchmark_repetitions=N (the summary then uses the medians). Before
// timing a page, each benchmark scans it once and aborts with a message if
// a row is missing or wrong; so does any message box from the module.
#include <benchmark/benchmark.h>
#include <pcre.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "bench/bare_pattern.h"
#include "bench/scan_summary.h"
#include "config/compiled_pattern.h"
#include "config/plugin_config.h"
#include "pagerates/abi.h"
#include "parse/page_scanner.h"
#include "port/heap_string.h"
#include "tests/support/counting_sink.h"

namespace pagerates {
namespace {

using testing::CountingSink;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "pagerates_bench: %s\n", message.c_str());
  std::fflush(stderr);
  std::abort();
}

// A preset the module complains about would make the numbers meaningless.
class DieOnReport final : public Diagnostics {
 public:
  void Report(const Diagnostic& d) override {
    Die("unexpected report \"" + d.title + "\": " + d.text);
  }
} g_die_on_report;

// ---- The preset -----------------------------------------------------------

constexpr char kPresetSection[] = "Bench";
constexpr int kCodepage = 1251;
// Patterns run on the page converted to UTF-8, so they are written in UTF-8.
constexpr char kPrologue[] = "Курсы на (?<date>\\d\\d\\.\\d\\d\\.\\d{4})";
constexpr char kRecordPattern[] =
    "<tr><td>(?<code>[A-Z]{3})</td><td>(?<value1>[0-9]+)</td>"
    "<td>(?<name>[^<]*)</td><td>(?<value2>[0-9,]+)</td></tr>";

// The date the Prologue finds on every page, and the different one the scan
// starts from: records carrying the former show the Prologue did its part.
constexpr char kPageDateText[] = "08.09.2016";
constexpr RateDate kPageDate = {2016, 9, 8};
constexpr RateDate kScanDate = {2000, 1, 1};

// Writes the preset to a temporary INI file and loads it into `config`. The
// file goes once loaded: the config keeps what it read until Refresh(),
// which nothing here calls, so the scans never touch the disk.
void LoadPreset(PluginConfig* config) {
  std::random_device random;
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("pagerates_bench_" + std::to_string(random()) + ".ini");
  std::ofstream out(path, std::ios::binary);
  out << "[main]\n"
      << "ActivePreset=" << kPresetSection << "\n"
      << "\n[" << kPresetSection << "]\n"
      << "Name=Benchmark\n"
      << "PageURL=http://rates.invalid/daily\n"
      << "HomeCurrencyCode=RUB\n"
      << "HomeCurrencyName=Российский рубль\n"
      << "Codepage=" << kCodepage << "\n"
      << "DecimalSeparator=,\n"
      << "Prologue=" << kPrologue << "\n"
      << "Record=" << kRecordPattern << "\n";
  out.close();
  if (!out) Die("cannot write " + path.string());
  config->Load(path.string(), &g_die_on_report);
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  if (config->preset_count() != 1) Die("the benchmark preset was not loaded");
}

const PluginConfig* g_config = nullptr;  // set by main() before the runs

// ---- Pages ----------------------------------------------------------------

// windows-1251 bytes of `text`, UTF-8 made of ASCII and Russian letters:
// А..я (U+0410..U+044F) are 0xC0..0xFF in order, Ё and ё are 0xA8 and 0xB8.
std::string ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      continue;
    }
    if ((lead & 0xE0) != 0xC0 || i + 1 == text.size()) {
      Die("no windows-1251 byte for the text \"" + std::string(text) + "\"");
    }
    const auto trail = static_cast<unsigned char>(text[++i]);
    const unsigned code_point = ((lead & 0x1Fu) << 6) | (trail & 0x3Fu);
    if (code_point >= 0x410 && code_point <= 0x44F) {
      out += static_cast<char>(0xC0 + (code_point - 0x410));
    } else if (code_point == 0x401) {
      out += '\xA8';
    } else if (code_point == 0x451) {
      out += '\xB8';
    } else {
      Die("no windows-1251 byte for the text \"" + std::string(text) + "\"");
    }
  }
  return out;
}

constexpr std::string_view kCurrencyNames[] = {
    "Доллар США",         "Евро",
    "Фунт стерлингов",    "Японских иен",
    "Швейцарский франк",  "Китайский юань",
    "Белорусский рубль",  "Казахстанских тенге",
    "Украинских гривен",  "Польский злотый",
    "Чешских крон",       "Шведских крон",
    "Норвежских крон",    "Датских крон",
    "Турецких лир",       "Армянских драмов",
    "Вьетнамских донгов", "Ещё одна валюта",
};

// A row as the page shows it and as the sink should receive it.
struct ExpectedRate {
  std::string code;
  int64_t value1 = 0;  // fixed point, as delivered
  int64_t value2 = 0;
  std::string_view name;  // UTF-8
};

struct Page {
  int rows = 0;
  std::string cp1251;                  // what ScanPage gets
  HeapString utf8;                     // what the bare loop gets
  std::vector<ExpectedRate> expected;  // in page order
  bool scan_checked = false;
  bool bare_checked = false;
};

// Deterministic numbers for the page contents.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next(uint32_t bound) {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) % bound;
  }

 private:
  uint32_t state_;
};

std::unique_ptr<Page> BuildPage(int rows) {
  auto page = std::make_unique<Page>();
  page->rows = rows;
  page->expected.reserve(static_cast<size_t>(rows));
  std::vector<std::string> names;
  for (std::string_view name : kCurrencyNames) names.push_back(ToCp1251(name));

  std::string& text = page->cp1251;
  text = ToCp1251("<html><body>\r\n<h2>Курсы на ");
  text += kPageDateText;
  text += ToCp1251(
      "</h2>\r\n<table><tr><th>Код</th><th>Единиц</th>"
      "<th>Валюта</th><th>Курс</th></tr>\r\n");
  Lcg lcg(20160908);
  constexpr uint32_t kNominals[] = {1, 10, 100, 1000};
  char cell[64];
  for (int row = 0; row < rows; ++row) {
    ExpectedRate rate;
    for (int letter = 0; letter < 3; ++letter) {
      rate.code += static_cast<char>('A' + lcg.Next(26));
    }
    const uint32_t nominal = kNominals[lcg.Next(4)];
    const uint32_t name_index =
        lcg.Next(static_cast<uint32_t>(std::size(kCurrencyNames)));
    const uint32_t units = lcg.Next(10000);
    const uint32_t fraction = lcg.Next(10000);
    rate.value1 = int64_t{nominal} * 10000;
    rate.value2 = int64_t{units} * 10000 + fraction;
    rate.name = kCurrencyNames[name_index];

    text += "<tr><td>";
    text += rate.code;
    std::snprintf(cell, sizeof(cell), "</td><td>%u</td><td>", nominal);
    text += cell;
    text += names[name_index];
    std::snprintf(cell, sizeof(cell), "</td><td>%u,%04u</td></tr>\r\n", units,
                  fraction);
    text += cell;
    page->expected.push_back(std::move(rate));
  }
  text += "</table>\r\n</body></html>\r\n";

  page->utf8 = ToUtf8(text, kCodepage);
  if (page->utf8.size() <= text.size())
    Die("the page was not converted to UTF-8");
  return page;
}

Page& PageWithRows(int rows) {
  static std::map<int, std::unique_ptr<Page>> pages;
  std::unique_ptr<Page>& page = pages[rows];
  if (page == nullptr) page = BuildPage(rows);
  return *page;
}

// ---- Sinks ----------------------------------------------------------------

struct DeliveredRate {
  std::string code;
  std::string name;
  int64_t value1 = 0;
  int64_t value2 = 0;
  RateDate date{};
};

class CollectingSink final : public RateSink {
 public:
  void PAGERATES_THISCALL RequestResource(const ResourceRequest*) override {}
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override {
    rates_.push_back({record->code, record->name, record->value1,
                      record->value2, record->date});
  }
  const std::vector<DeliveredRate>& rates() const { return rates_; }

 private:
  std::vector<DeliveredRate> rates_;
};

// ---- Checks, outside the timed loops --------------------------------------

// One scan must deliver every row of the page, each with the page's date.
void CheckScanPage(Page& page) {
  if (page.scan_checked) return;
  const DeliveredDate no_callback;
  CountingSink counter;
  ScanPage(*g_config->presets()->preset(0), page.cp1251.c_str(), kScanDate,
           &counter, &g_die_on_report, no_callback);
  if (counter.count != page.rows) {
    Die("ScanPage delivered " + std::to_string(counter.count) +
        " records for a page of " + std::to_string(page.rows) + " rows");
  }
  CollectingSink collector;
  ScanPage(*g_config->presets()->preset(0), page.cp1251.c_str(), kScanDate,
           &collector, &g_die_on_report, no_callback);
  for (int i = 0; i < page.rows; ++i) {
    const ExpectedRate& want = page.expected[static_cast<size_t>(i)];
    const DeliveredRate& got = collector.rates()[static_cast<size_t>(i)];
    if (got.code != want.code || got.name != want.name ||
        got.value1 != want.value1 || got.value2 != want.value2 ||
        got.date.year != kPageDate.year || got.date.month != kPageDate.month ||
        got.date.day != kPageDate.day) {
      Die("ScanPage record " + std::to_string(i) + " of " +
          std::to_string(page.rows) + " is " + got.code + " " +
          std::to_string(got.value1) + " " + got.name + " " +
          std::to_string(got.value2) + "; the page has " + want.code + " " +
          std::to_string(want.value1) + " " + std::string(want.name) + " " +
          std::to_string(want.value2));
    }
  }
  page.scan_checked = true;
}

// ---- The bare loop --------------------------------------------------------

// ---- Benchmarks -----------------------------------------------------------

void SetRates(benchmark::State& state, const Page& page) {
  using benchmark::Counter;
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(page.cp1251.size()));
  const auto rows = static_cast<double>(page.rows);
  state.counters["rows/s"] = Counter(rows, Counter::kIsIterationInvariantRate);
  state.counters["s/row"] =
      Counter(rows, static_cast<Counter::Flags>(
                        Counter::kIsIterationInvariantRate | Counter::kInvert));
}

void BM_ScanPage(benchmark::State& state) {
  Page& page = PageWithRows(static_cast<int>(state.range(0)));
  CheckScanPage(page);
  const CompiledPreset& preset = *g_config->presets()->preset(0);
  const DeliveredDate no_callback;
  CountingSink sink;
  for (auto _ : state) {
    ScanPage(preset, page.cp1251.c_str(), kScanDate, &sink, &g_die_on_report,
             no_callback);
  }
  if (sink.count != state.iterations() * page.rows)
    Die("ScanPage lost records");
  SetRates(state, page);
}

void BM_BarePcreLoop(benchmark::State& state) {
  Page& page = PageWithRows(static_cast<int>(state.range(0)));
  const BarePattern pattern(kRecordPattern);
  unsigned checksum = 0;
  if (!page.bare_checked) {
    const int64_t matches =
        pattern.Scan(page.utf8.c_str(), page.utf8.size(), &checksum);
    if (matches != page.rows) {
      Die("the bare loop found " + std::to_string(matches) +
          " matches on a page of " + std::to_string(page.rows) + " rows");
    }
    page.bare_checked = true;
  }
  int64_t matches = 0;
  for (auto _ : state) {
    matches += pattern.Scan(page.utf8.c_str(), page.utf8.size(), &checksum);
  }
  benchmark::DoNotOptimize(checksum);
  if (matches != state.iterations() * page.rows)
    Die("the bare loop lost matches");
  SetRates(state, page);
}

void RegisterBenchmarks() {
  for (auto [name, function] : {std::pair{kScanPageName, &BM_ScanPage},
                                std::pair{kBareLoopName, &BM_BarePcreLoop}}) {
    benchmark::internal::Benchmark* b =
        benchmark::RegisterBenchmark(name, function);
    for (int rows : kRowCounts) b->Arg(rows);
    b->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace
}  // namespace pagerates

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  pagerates::PluginConfig config;
  pagerates::LoadPreset(&config);
  pagerates::g_config = &config;
  pagerates::RegisterBenchmarks();
  pagerates::SummaryReporter reporter(
      benchmark::CreateDefaultDisplayReporter());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
