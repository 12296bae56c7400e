// Whole page scans: fuzzed page bytes and code page against a fixed set of
// presets, among them patterns that match the empty string and presets
// with a Prologue and an Epilogue.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/plugin_config.h"
#include "fuzz/fuzz_support.h"
#include "parse/page_scanner.h"
#include "tests/support/counting_sink.h"

namespace {

using pagerates::testing::CountingSink;

constexpr char kIni[] =
    "[main]\nActivePreset=table,empty,bounded,list,words\n"
    "EnableCurrencyRename=1\n"
    "CurrencyFilter=USD,EUR,,JPY\n"
    "[currency-rename]\nUSD=US$\n"
    "[table]\nHomeCurrencyCode=RUB\nDecimalSeparator=,\n"
    "Prologue=on (?<date>[\\d./-]+)\n"
    "Record=<td>(?<code>[A-Z]{3})</td><td>(?<value1>\\d+)</"
    "td><td>(?<name>[^<]*)</td>"
    "<td>(?<value2>[\\d,]+)</td>\n"
    "[empty]\nHomeCurrencyCode=RUB\nRecord=x*\nRecord2=(?=\\w)\nRecord3=(?<"
    "code>)|(a)\n"
    "[bounded]\nHomeCurrencyCode=RUB\nPrologue=<body>\nEpilogue=</table>\n"
    "Record=(?<day>\\d+)/(?<month>\\d+)/(?<year>\\d+) (?<value2>\\S+)\n"
    "OtherCurrencyCode=USD\n"
    "[list]\nHomeCurrencyCode=RUB\nRecord=(?m)^(?<code>\\w+)\\|(?<value1>[^|]*)"
    "\\|"
    "(?<date>[^|\\r\\n]*)\n"
    // The keys for what real pages publish: month words, counts of
    // seconds, the requested day only, JSON escapes, fixed amounts.
    "[words]\nHomeCurrencyCode=RUB\nMonthNames=English\nRequestedDateOnly=1\n"
    "JsonEscapes=1\nUnits=100\nExtraDecimals=6\nDateCount=seconds\n"
    "Prologue=ts=(?<date>\\d+)\n"
    "Record=\"(?<name>(?:[^\"\\\\]|\\\\.)*)\" (?<day>\\d+) (?<month>\\w+) "
    "(?<year>\\d+) (?<value2>\\S+)\n"
    "Record2=(?<code>\\w+)=(?<value2>[\\d.e+-]+)\nRecordUnits2=1000\n";

constexpr int kCodePages[] = {65001, 1251, 1252, 866, 20866,
                              28592, 932,  936,  0};

// The presets are sound; a pattern's problems would not be under test.
class IgnoredDiagnostics final : public pagerates::Diagnostics {
 public:
  void Report(const pagerates::Diagnostic&) override {}
} g_ignored;

pagerates::PluginConfig* Config(int code_page) {
  static pagerates::PluginConfig* configs[std::size(kCodePages)] = {};
  size_t index = 0;
  while (kCodePages[index] != code_page) ++index;
  if (configs[index] == nullptr) {
    std::string ini = kIni;
    for (const char* section : {"[table]", "[empty]", "[bounded]", "[list]"}) {
      std::string line =
          std::string(section) + "\nCodepage=" + std::to_string(code_page);
      ini.replace(ini.find(section), std::string(section).size(), line);
    }
    char path[] = "/tmp/pagerates-fuzz-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 ||
        write(fd, ini.data(), ini.size()) != static_cast<ssize_t>(ini.size())) {
      std::abort();
    }
    close(fd);
    configs[index] = new pagerates::PluginConfig();
    configs[index]->Load(path, &g_ignored);
    unlink(path);
  }
  return configs[index];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int code_page = kCodePages[data[0] % std::size(kCodePages)];
  std::string page(reinterpret_cast<const char*>(data + 1), size - 1);
  pagerates::PluginConfig* config = Config(code_page);
  CountingSink sink;
  for (int preset = 0; preset < config->preset_count(); ++preset) {
    pagerates::ScanPage(*config->presets()->preset(preset), page.c_str(),
                        RateDate{2016, 9, 8}, &sink, &g_ignored, nullptr);
  }
  return 0;
}
