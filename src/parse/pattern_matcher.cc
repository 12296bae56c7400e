#include "parse/pattern_matcher.h"

#include "parse/number_text.h"
#include "port/utf8.h"

namespace pagerates {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(c | 0x20);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The four hex digits at `text`, or -1.
int32_t Hex4(std::string_view text) {
  if (text.size() < 4) return -1;
  int32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// `text` with JSON's escapes decoded into `out`; an escape that is not one
// (or a lone surrogate) stays as it is written.
void DecodeJsonEscapes(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      *out += text[i];
      continue;
    }
    const char e = text[i + 1];
    const char* simple = nullptr;
    switch (e) {
      case '"':
        simple = "\"";
        break;
      case '\\':
        simple = "\\";
        break;
      case '/':
        simple = "/";
        break;
      case 'b':
        simple = "\b";
        break;
      case 'f':
        simple = "\f";
        break;
      case 'n':
        simple = "\n";
        break;
      case 'r':
        simple = "\r";
        break;
      case 't':
        simple = "\t";
        break;
      default:
        break;
    }
    if (simple != nullptr) {
      *out += simple;
      ++i;
      continue;
    }
    int32_t unit = e == 'u' ? Hex4(text.substr(i + 2)) : -1;
    if (unit < 0 || unit == 0) {
      *out += text[i];
      continue;
    }
    size_t used = 6;
    uint32_t cp = static_cast<uint32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const std::string_view rest = text.substr(i + 6);
      const int32_t low = rest.size() >= 6 && rest[0] == '\\' && rest[1] == 'u'
                              ? Hex4(rest.substr(2))
                              : -1;
      if (low < 0xDC00 || low > 0xDFFF) {
        *out += text[i];
        continue;
      }
      cp =
          0x10000 + ((cp - 0xD800) << 10) + static_cast<uint32_t>(low - 0xDC00);
      used = 12;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      *out += text[i];
      continue;
    }
    char bytes[4];
    out->append(bytes, EncodeUtf8(cp, bytes));
    i += used - 1;
  }
}

}  // namespace

PatternMatcher::PatternMatcher(const PresetPattern& pattern,
                               const TextRules& rules, int32_t units)
    : pattern_(pattern), rules_(rules) {
  if (rules.extra_decimals > 0 && rules.extra_decimals <= kMaxExtraDecimals) {
    extra_decimals_ = rules.extra_decimals;
    one_ = kFixedPointOne * PowerOfTen(extra_decimals_);
  }
  units_ = one_ * (units > 1 ? units : 1);
}

// A named group's text, with the rules of PCRE's substring functions.
inline bool PatternMatcher::Named(const MatchResult& result, Field field,
                                  std::string_view* text) const {
  const int chosen = ChosenGroup(pattern_.Groups(field), [&result](int n) {
    return n < result.count && result.ovector[2 * n] >= 0;
  });
  if (chosen < 0) return false;
  return result.Group(chosen, text);
}

int32_t PatternMatcher::NamedInt(const MatchResult& result, Field field) const {
  std::string_view text;
  return Named(result, field, &text) ? ParseLeadingDigits(text) : -1;
}

int64_t PatternMatcher::NamedFixed(const MatchResult& result, Field field) {
  std::string_view text;
  if (!Named(result, field, &text)) return -1;
  NumberFlaw flaw;
  const int64_t value =
      ParseFixedPoint(text, rules_.separator, extra_decimals_, &flaw);
  if (flaw == NumberFlaw::kTooLarge) flaw_ = MatchFlaw::kValueTooLarge;
  if (flaw == NumberFlaw::kExponent && flaw_ == MatchFlaw::kNone)
    flaw_ = MatchFlaw::kValueExponent;
  return value;
}

void PatternMatcher::Decode(std::string* buffer, std::string_view* text) const {
  if (text->find('\\') != std::string_view::npos) {
    DecodeJsonEscapes(*text, buffer);
    *text = *buffer;
  }
}

const char* PatternMatcher::Match(const char* position, const char* text_end) {
  MatchResult& result = last_;
  if (!pattern_.compiled.Exec(
          position, static_cast<size_t>(text_end - position), &result)) {
    return nullptr;
  }
  flaw_ = MatchFlaw::kNone;
  ExtractDate(result);
  value1_ = NamedFixed(result, Field::kValue1);
  value2_ = NamedFixed(result, Field::kValue2);
  has_code_ = Named(result, Field::kCode, &code_);
  has_name_ = Named(result, Field::kName, &name_);
  if (rules_.json_escapes) [[unlikely]] {
    if (has_code_) Decode(&code_buffer_, &code_);
    if (has_name_) Decode(&name_buffer_, &name_);
  }
  return position + result.end_offset();
}

void PatternMatcher::ExtractDate(const MatchResult& result) {
  if (!pattern_.reads_date) {
    day_ = month_ = -1;
    year_ = -1;
    return;
  }
  std::string_view date_text;
  if (Named(result, Field::kDate, &date_text)) {
    // Text that holds no date, or an impossible one, leaves the date as it
    // was.
    DateText read = ReadDateCapture(pattern_.date_parts, date_text, rules_);
    if (read.kind == DateText::kDate) {
      day_ = static_cast<int8_t>(read.day);
      month_ = static_cast<int8_t>(read.month);
      year_ = static_cast<int16_t>(read.year);
    }
    return;
  }
  const int32_t day = NamedInt(result, Field::kDay);
  int32_t month = NamedInt(result, Field::kMonth);
  std::string_view month_text;
  if (rules_.months.any() && Named(result, Field::kMonth, &month_text) &&
      !month_text.empty() && (month_text[0] < '0' || month_text[0] > '9')) {
    month = MonthOfName(month_text, rules_.months);
  }
  int32_t year = NamedInt(result, Field::kYear);
  if (year != -1 && year >= 0) year = FullYear(year);
  // A part that cannot be one would be cut to 8 or 16 bits and delivered
  // as another day: such a match makes no record.
  const bool possible = (day == -1 || (day >= 1 && day <= 31)) &&
                        (month == -1 || (month >= 1 && month <= 12)) &&
                        (year == -1 || (year >= 0 && year <= 9999));
  if (!possible) flaw_ = MatchFlaw::kImpossibleDate;
  day_ = static_cast<int8_t>(day);
  month_ = static_cast<int8_t>(month);
  year_ = static_cast<int16_t>(year);
}

void PatternMatcher::ApplyTo(ScanRecord* record) {
  if (day_ != -1) record->date.day = day_;
  if (month_ != -1) record->date.month = month_;
  if (year_ != -1) record->date.year = year_;
  if (has_code_) record->code.Assign(code_);
  if (has_name_) record->name.Assign(name_);
  record->has_code = has_code_;
  record->has_name = has_name_;
  record->value1 = value1_ == -1 ? units_ : value1_;
  record->value2 = value2_ == -1 ? one_ : value2_;
}

}  // namespace pagerates
