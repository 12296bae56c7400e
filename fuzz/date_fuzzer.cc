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
    using pagerates::TextRules;
    // Month names in English and in a listed language, so that dates
    // written with words are read too.
    auto* words = new TextRules;
    words->months = pagerates::ReadMonthNames(
        "января,февраля,марта,апреля,мая,июня,июля,августа,сентября,"
        "октября,ноября,декабря",
        nullptr);
    auto* comma = new TextRules;
    comma->separator = ',';
    comma->months.english = true;
    whole =
        new pagerates::PatternMatcher(*new PresetPattern(PresetPattern::Compile(
                                          "fuzz", "Record", "(?<date>.*)")),
                                      *words);
    parts = new pagerates::PatternMatcher(
        *new PresetPattern(PresetPattern::Compile(
            "fuzz", "Record",
            "(?<day>\\d*)\\W*(?<month>\\w*)\\W*(?<year>\\d*)")),
        *comma);
  }
  for (pagerates::PatternMatcher* m : {whole, parts}) {
    pagerates::ScanRecord record;
    if (m->Match(text.c_str(), text.c_str() + text.size()) != nullptr)
      m->ApplyTo(&record);
  }
  return 0;
}
