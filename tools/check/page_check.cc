#include "check/page_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "check/scan_report.h"
#include "config/compiled_pattern.h"
#include "config/preset_set.h"
#include "output/record_format.h"
#include "parse/date_text.h"
#include "parse/number_text.h"
#include "parse/pattern_matcher.h"
#include "port/utf8.h"

namespace pagerates::cli {
namespace {

constexpr int kUtf8 = 65001;

// What one record pattern (or the Prologue) needs to read its matches the
// way the module does.
struct PatternGroups {
  std::string key;
  std::vector<int> value1, value2, date, day, month, year;
};

// The group the module reads for a name: the first that took part when
// several carry it. Null when the match reports none of them (the module
// then reads no text: the default); else the span, which may not have
// taken part (the module then reads an empty text).
std::optional<TextSpan> ReadGroup(const std::vector<int>& numbers,
                                  const TracedMatch& match) {
  const int chosen = ChosenGroup(numbers, [&match](int n) {
    return static_cast<size_t>(n) < match.groups.size() &&
           match.groups[n].took_part();
  });
  if (chosen < 0) return std::nullopt;
  if (static_cast<size_t>(chosen) >= match.groups.size()) return std::nullopt;
  return match.groups[chosen];
}

// One kind of problem at one key, over all matches: how many, the first.
struct Tally {
  size_t count = 0;
  std::string lead;   // what goes wrong
  std::string first;  // the first match it goes wrong in
  int needed = 0;     // for lost digits: the most extra decimals any needs
};

class PageChecker {
 public:
  PageChecker(const CompiledPreset& preset, std::string_view page_bytes,
              const ScanTrace& trace)
      : preset_(preset),
        section_(preset.section),
        page_(page_bytes),
        trace_(trace),
        positions_(trace.text),
        separator_(preset.rules.separator),
        extra_decimals_(preset.rules.extra_decimals),
        date_pattern_(kDatePattern) {}

  std::vector<Finding> Run() {
    CheckCodePage();
    if (trace_.prologue == ScanTrace::Bound::kMatched) {
      PatternGroups prologue = Groups(*preset_.prologue);
      CheckDate(prologue, trace_.prologue_match,
                "records keep the date asked for");
    }
    std::vector<PatternGroups> patterns;
    for (int k = 0; k < trace_.record_count; ++k) {
      patterns.push_back(Groups(preset_.records[k].pattern));
    }
    for (const TracedRecord& record : trace_.records) {
      const PatternGroups& groups = patterns[record.pattern];
      if (record.flaw != MatchFlaw::kNone) {
        CheckFlaw(groups, record);
      } else {
        CheckValue(groups.key, "value1", groups.value1, record.match);
        CheckValue(groups.key, "value2", groups.value2, record.match);
        if (!record.other_date) CheckZero(groups, record);
      }
      CheckDate(groups, record.match,
                "records keep the date they had before it");
      NoteSeparator(groups, record.match);
    }
    CheckSeparator();
    Report();
    return std::move(findings_);
  }

 private:
  static PatternGroups Groups(const PresetPattern& pattern) {
    return PatternGroups{pattern.key,
                         pattern.Groups(Field::kValue1),
                         pattern.Groups(Field::kValue2),
                         pattern.Groups(Field::kDate),
                         pattern.Groups(Field::kDay),
                         pattern.Groups(Field::kMonth),
                         pattern.Groups(Field::kYear)};
  }

  std::string Text(TextSpan span) const {
    return trace_.text.substr(static_cast<size_t>(span.begin),
                              static_cast<size_t>(span.end - span.begin));
  }

  std::string At(TextSpan span) {
    return positions_.At(static_cast<size_t>(span.begin));
  }

  void Count(const std::string& key, const std::string& kind,
             const std::string& lead, const std::string& first,
             int needed = 0) {
    Tally& tally = tallies_[{key, kind}];
    if (tally.count++ == 0) {
      tally.lead = lead;
      tally.first = first;
      order_.emplace_back(key, kind);
    }
    tally.needed = std::max(tally.needed, needed);
  }

  // A value that took part with digits past those kept, or none at all.
  void CheckValue(const std::string& key, const std::string& name,
                  const std::vector<int>& numbers, const TracedMatch& match) {
    std::optional<TextSpan> span = ReadGroup(numbers, match);
    if (!span) return;
    if (!span->took_part()) {
      Count(key, "empty " + name,
            name + " (group " + std::to_string(numbers.front()) +
                ") did not take part while a later group did, so the module "
                "delivers " +
                name + " 0",
            "the match at " +
                positions_.At(static_cast<size_t>(match.groups[0].begin)));
      return;
    }
    std::string text = Text(*span);
    size_t separator = text.find(separator_);
    if (separator == std::string::npos) return;
    size_t digits = 0;
    size_t last_nonzero = 0;  // fraction digits up to the last non-zero one
    for (size_t i = separator + 1;
         i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      ++digits;
      if (text[i] != '0') last_nonzero = digits;
    }
    const size_t kept = 4 + static_cast<size_t>(extra_decimals_);
    if (last_nonzero <= kept) return;
    const int needed = static_cast<int>(last_nonzero) - 4;
    // Only the first match is quoted: the others are counted.
    auto seen = tallies_.find({key, "digits " + name});
    if (seen != tallies_.end()) {
      ++seen->second.count;
      seen->second.needed = std::max(seen->second.needed, needed);
      return;
    }
    int64_t value = ParseFixedPoint(text, separator_, extra_decimals_);
    std::string read = value == 0 ? std::string("0") : FormatRead(value);
    Count(key, "digits " + name,
          name + " loses digits past the " + std::to_string(kept) +
              " decimals the module keeps",
          QuoteForReport(text) + " at " + At(*span) + " is read as " + read,
          needed);
  }

  // Text of a group by name, or empty when it did not take part.
  std::string GroupText(const std::vector<int>& numbers,
                        const TracedMatch& match) const {
    std::optional<TextSpan> span = ReadGroup(numbers, match);
    return span && span->took_part() ? Text(*span) : std::string();
  }

  // The module's own verdict on a match that made no record.
  void CheckFlaw(const PatternGroups& groups, const TracedRecord& record) {
    const TracedMatch& match = record.match;
    const std::string at =
        positions_.At(static_cast<size_t>(match.groups[0].begin));
    if (record.flaw == MatchFlaw::kImpossibleDate) {
      std::string parts;
      for (auto [name, numbers] :
           {std::pair{"day", &groups.day}, std::pair{"month", &groups.month},
            std::pair{"year", &groups.year}}) {
        std::optional<TextSpan> span = ReadGroup(*numbers, match);
        if (!span) continue;
        if (!parts.empty()) parts += ", ";
        parts += std::string(name) + " " +
                 QuoteForReport(span->took_part() ? Text(*span) : "");
      }
      Count(groups.key, "impossible parts",
            "day, month and year groups read as no possible date, so the "
            "match makes no record",
            parts + " in the match at " + at);
      return;
    }
    // Which value it was, by the module's own reading of each.
    for (auto [name, numbers] : {std::pair{"value1", &groups.value1},
                                 std::pair{"value2", &groups.value2}}) {
      std::string text = GroupText(*numbers, match);
      NumberFlaw flaw = FlawOf(text, separator_, extra_decimals_);
      if (flaw == NumberFlaw::kTooLarge &&
          record.flaw == MatchFlaw::kValueTooLarge) {
        Count(groups.key, std::string("too large ") + name,
              std::string(name) +
                  " is past the largest value the module "
                  "delivers" +
                  (extra_decimals_ > 0 ? " with ExtraDecimals=" +
                                             std::to_string(extra_decimals_)
                                       : std::string()) +
                  ", so the match makes no record",
              QuoteForReport(text) + " in the match at " + at);
        return;
      }
      if (flaw == NumberFlaw::kExponent &&
          record.flaw == MatchFlaw::kValueExponent) {
        Count(groups.key, std::string("exponent ") + name,
              std::string(name) +
                  " is written with an exponent, which the "
                  "module does not read, so the match makes no record",
              QuoteForReport(text) + " in the match at " + at);
        return;
      }
    }
  }

  // A value that reads as 0 in a record that is delivered: value1 0 is
  // divided by, value2 0 is no price.
  void CheckZero(const PatternGroups& groups, const TracedRecord& record) {
    for (auto [name, numbers, value] :
         {std::tuple{"value1", &groups.value1, record.value1},
          std::tuple{"value2", &groups.value2, record.value2}}) {
      if (value != 0) continue;
      std::optional<TextSpan> span = ReadGroup(*numbers, record.match);
      if (!span || !span->took_part()) continue;  // reported as empty
      std::string text = Text(*span);
      // Digits past those kept are reported as lost digits.
      if (text.find_first_of("123456789") != std::string::npos) continue;
      Count(groups.key, std::string("zero ") + name,
            std::string(name) + " reads as 0" +
                (std::string(name) == "value1" ? ": the host divides by it"
                                               : ": a price of 0 is no rate"),
            QuoteForReport(text) + " at " + At(*span));
    }
  }

  // Value texts as the page writes them, for CheckSeparator().
  void NoteSeparator(const PatternGroups& groups, const TracedMatch& match) {
    for (const std::vector<int>* numbers : {&groups.value1, &groups.value2}) {
      std::optional<TextSpan> span = ReadGroup(*numbers, match);
      if (!span || !span->took_part()) continue;
      std::string text = Text(*span);
      if (text.find(separator_) != std::string::npos) {
        ++with_separator_;
        continue;
      }
      // The other mark followed by other than three digits is a decimal
      // mark, not a thousands separator.
      const char other = separator_ == '.' ? ',' : separator_ == ',' ? '.' : 0;
      size_t mark = other != 0 ? text.find(other) : std::string::npos;
      if (mark == std::string::npos) continue;
      size_t digits = 0;
      while (mark + 1 + digits < text.size() &&
             text[mark + 1 + digits] >= '0' && text[mark + 1 + digits] <= '9') {
        ++digits;
      }
      if (digits == 0 || digits == 3) continue;
      if (other_mark_count_++ == 0) {
        other_mark_ = other;
        other_mark_first_ =
            QuoteForReport(text) + " at " + At(*span) + " is read as " +
            FormatRead(ParseFixedPoint(text, separator_, extra_decimals_));
      }
    }
  }

  // No value holds the DecimalSeparator while some hold another mark
  // followed by decimals: every such value is read many times too large.
  void CheckSeparator() {
    if (with_separator_ > 0 || other_mark_count_ == 0) return;
    Add("DecimalSeparator",
        QuoteForReport(std::string(1, separator_)) +
            " is in none of the values, but " +
            std::to_string(other_mark_count_) + " of them " +
            (other_mark_count_ == 1 ? "has " : "have ") +
            QuoteForReport(std::string(1, other_mark_)) +
            " before their decimals (" + other_mark_first_ +
            "): set DecimalSeparator=" + std::string(1, other_mark_));
  }

  // The value as the page would write it: the fixed-point value divided
  // by 10^(4 + ExtraDecimals), with at least four decimals.
  std::string FormatRead(int64_t value) const {
    const size_t decimals = 4 + static_cast<size_t>(extra_decimals_);
    std::string digits = std::to_string(value);
    if (digits.size() <= decimals) {
      digits.insert(0, decimals + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - decimals, ".");
    while (digits.size() > digits.find('.') + 5 && digits.back() == '0') {
      digits.pop_back();
    }
    return digits;
  }

  void CheckDate(const PatternGroups& groups, const TracedMatch& match,
                 const std::string& consequence) {
    std::optional<TextSpan> span = ReadGroup(groups.date, match);
    if (!span || !span->took_part()) return;
    std::string text = Text(*span);
    DateText read = ReadDateCapture(date_pattern_, text, preset_.rules);
    if (read.kind == DateText::kDate) return;
    std::string what = QuoteForReport(text) + " at " + At(*span);
    if (read.kind == DateText::kNone) {
      Count(groups.key, "no date",
            "date is not a date the module can read, so " + consequence, what);
    } else {
      Count(groups.key, "impossible date",
            "date reads as a day that does not exist, so the module ignores "
            "it and " +
                consequence,
            what + " is day " + std::to_string(read.day) + ", month " +
                std::to_string(read.month) + ", year " +
                std::to_string(read.year));
    }
  }

  void Report() {
    for (const auto& place : order_) {
      const auto& [key, kind] = place;
      const Tally& tally = tallies_[place];
      const size_t of = MatchesOf(key);
      std::string count;
      if (of > 1) {
        count = tally.count == of
                    ? " in all " + std::to_string(of) + " matches"
                    : " in " + std::to_string(tally.count) + " of " +
                          std::to_string(of) + " matches";
      }
      std::string message = tally.lead + count + " (" + tally.first + "): ";
      if (kind.starts_with("digits")) {
        message += LostDigitsFix(tally.needed);
      } else if (kind.starts_with("too large")) {
        message += extra_decimals_ > 0
                       ? "set a smaller ExtraDecimals for this preset"
                       : "capture only the number, or check that the "
                         "pattern reads the right column";
      } else if (kind.starts_with("exponent")) {
        message +=
            "make the pattern pass such values over, e.g. "
            "(?<value2>[\\d.]+)(?![\\d.]*[eE])";
      } else if (kind == "impossible parts") {
        message +=
            "capture only each part's digits, in the order the page writes "
            "them (a month written as a word needs MonthNames)";
      } else if (kind.starts_with("zero value1")) {
        message +=
            "make the pattern pass such rows over, e.g. "
            "(?<value1>0*[1-9]\\d*)";
      } else if (kind.starts_with("zero")) {
        message +=
            "make the pattern pass such rows over, e.g. "
            "(?=[\\d.]*[1-9])(?<value2>[\\d.]+)";
      } else if (kind.starts_with("empty")) {
        message +=
            "make it the last capturing group, write two record patterns "
            "(one with the group, one without it), or make the group "
            "non-optional";
      } else if (kind == "no date") {
        message +=
            "capture only the date's digits, day-month-year or "
            "year-month-day (08.09.2016, 2016-09-08), or its parts as day, "
            "month and year groups";
      } else {
        message +=
            "the module takes the middle number as the month; for a date "
            "written month first capture day, month and year groups";
      }
      Add(key, message);
    }
  }

  std::string LostDigitsFix(int needed) const {
    if (needed > kMaxExtraDecimals) {
      return "set ExtraDecimals=" + std::to_string(kMaxExtraDecimals) +
             " (the most there is) to keep " +
             std::to_string(4 + kMaxExtraDecimals) +
             " decimals; both values are scaled alike, so the price is right";
    }
    return "set ExtraDecimals=" + std::to_string(needed) + " to keep " +
           std::to_string(4 + needed) + " decimals (both values are then " +
           "scaled by 10^" + std::to_string(needed) +
           ", so the price is unchanged)";
  }

  size_t MatchesOf(const std::string& key) const {
    if (key == "Prologue") return 1;
    size_t count = 0;
    for (const TracedRecord& record : trace_.records) {
      if (preset_.records[record.pattern].pattern.key == key) ++count;
    }
    return count;
  }

  void Add(std::string key, std::string message) {
    findings_.push_back(
        Finding{section_, std::move(key), std::move(message), {}});
  }

  // The page's own word on its encoding: a UTF-8 byte-order mark, an XML
  // declaration, an HTML meta charset; else what its bytes show.
  void CheckCodePage() {
    const int code_page = preset_.code_page;
    const std::string have = std::to_string(code_page);
    std::string declared;
    std::string charset;
    if (page_.starts_with("\xFF\xFE") || page_.starts_with("\xFE\xFF")) {
      Add("Codepage",
          "no code page reads the page: it is UTF-16 or UTF-32 (it starts "
          "with such a byte-order mark), and the module scans 8-bit text, "
          "which stops at the first zero byte; the page cannot be scanned: "
          "ask the source for it in UTF-8 or an 8-bit code page");
      return;
    }
    if (page_.starts_with("\xEF\xBB\xBF")) {
      declared = "starts with a UTF-8 byte-order mark";
      charset = "utf-8";
    } else if (std::optional<std::string> name = DeclaredCharset()) {
      charset = *name;
      declared = "declares " + DisplayText(declaration_);
    }
    if (!charset.empty()) {
      std::vector<int> accepted = CodePagesForCharset(charset);
      if (!accepted.empty() && std::find(accepted.begin(), accepted.end(),
                                         code_page) == accepted.end()) {
        Add("Codepage",
            have + " disagrees with the page, which " + declared +
                " (code page " + std::to_string(accepted.front()) +
                "): set Codepage=" + std::to_string(accepted.front()));
        return;
      }
    }
    size_t bad = 0;
    const bool utf8 = IsUtf8(page_, &bad);
    if (code_page == kUtf8 && !utf8) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X",
                    static_cast<unsigned char>(page_[bad]));
      Add("Codepage", have + " reads the page as UTF-8, but its byte " +
                          std::string(hex) + " at offset " +
                          std::to_string(bad) +
                          " is not UTF-8: set Codepage to the page's code "
                          "page (the table in docs/presets.md lists them)");
    } else if (code_page != kUtf8 && charset.empty() && utf8 &&
               std::any_of(page_.begin(), page_.end(), [](char c) {
                 return static_cast<unsigned char>(c) >= 0x80;
               })) {
      Add("Codepage", have +
                          " converts the page, but it declares no charset "
                          "and its bytes are UTF-8: set Codepage=65001");
    }
  }

  // The charset an XML declaration or an HTML meta element names, in the
  // first 4 KiB of the page; sets declaration_ to the text that says so.
  std::optional<std::string> DeclaredCharset() {
    static constexpr char kDeclaration[] =
        "(?i)^\\s*<\\?xml\\b[^>]*?\\bencoding\\s*=\\s*[\"']([^\"']+)[\"']"
        "|<meta\\b[^>]*?\\bcharset\\s*=\\s*[\"']?([\\w.:-]+)";
    CompiledPattern pattern(kDeclaration);
    std::string head(page_.substr(0, 4096));
    MatchResult match;
    if (!pattern.Exec(head.c_str(), head.size(), &match)) return std::nullopt;
    std::string_view name;
    if (!match.Group(1, &name) || name.empty()) match.Group(2, &name);
    const bool xml = match.Group(1, &name) && !name.empty();
    if (!xml) match.Group(2, &name);
    declaration_ =
        (xml ? "encoding=\"" : "charset=\"") + std::string(name) + "\"";
    return std::string(name);
  }

  const CompiledPreset& preset_;
  std::string section_;
  std::string_view page_;
  const ScanTrace& trace_;
  TextPositions positions_;
  char separator_;
  int extra_decimals_;
  CompiledPattern date_pattern_;
  std::string declaration_;
  size_t with_separator_ = 0;
  size_t other_mark_count_ = 0;
  char other_mark_ = 0;
  std::string other_mark_first_;
  std::map<std::pair<std::string, std::string>, Tally> tallies_;
  std::vector<std::pair<std::string, std::string>> order_;
  std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckScannedPage(const CompiledPreset& preset,
                                      std::string_view page_bytes,
                                      const ScanTrace& trace) {
  return PageChecker(preset, page_bytes, trace).Run();
}

}  // namespace pagerates::cli
