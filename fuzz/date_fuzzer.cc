// Dates read from captured text: whole dates and day/month/year parts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "parse/pattern_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text.resize(
      std::char_traits<char>::length(text.c_str()));  // as a page would be
  static pagerates::PatternMatcher* whole = nullptr;
  static pagerates::PatternMatcher* parts = nullptr;
  if (whole == nullptr) {
    using pagerates::PresetPattern;
    whole =
        new pagerates::PatternMatcher(*new PresetPattern(PresetPattern::Compile(
                                          "fuzz", "Record", "(?<date>.*)")),
                                      '.');
    parts = new pagerates::PatternMatcher(
        *new PresetPattern(PresetPattern::Compile(
            "fuzz", "Record",
            "(?<day>\\d*)\\D*(?<month>\\d*)\\D*(?<year>\\d*)")),
        ',');
  }
  for (pagerates::PatternMatcher* m : {whole, parts}) {
    pagerates::ScanRecord record;
    if (m->Match(text.c_str(), text.c_str() + text.size()) != nullptr)
      m->ApplyTo(&record);
  }
  return 0;
}
