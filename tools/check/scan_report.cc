#include "check/scan_report.h"

#include <algorithm>
#include <cstdio>

#include "check/findings.h"
#include "config/compiled_pattern.h"
#include "output/record_format.h"
#include "port/heap_string.h"

namespace pagerates::cli {
namespace {

// Group names by number, "" for unnamed groups; as many entries as the
// pattern has groups, plus one for the whole match.
std::vector<std::string> GroupNames(const CompiledPattern& compiled) {
  std::vector<std::string> names(
      static_cast<size_t>(std::max(compiled.capture_count(), 0)) + 1);
  for (const auto& [number, name] : compiled.NamedGroups()) {
    if (number >= 0 && static_cast<size_t>(number) < names.size()) {
      names[static_cast<size_t>(number)] = name;
    }
  }
  return names;
}

// True when a group called `name` is within the groups the match reports,
// so the module read its text (possibly empty) rather than a default.
bool Supplied(const std::vector<std::string>& names, const TracedMatch& match,
              std::string_view name) {
  for (size_t n = 1; n < names.size() && n < match.groups.size(); ++n) {
    if (names[n] == name) return true;
  }
  return false;
}

std::string SpanText(const ScanTrace& trace, TextSpan span) {
  return trace.text.substr(static_cast<size_t>(span.begin),
                           static_cast<size_t>(span.end - span.begin));
}

class Reporter {
 public:
  Reporter(const PluginConfig& config, const CompiledPreset& preset,
           const ScannedPage& page, const ScanTrace& trace)
      : config_(config),
        preset_(preset),
        section_(preset.section),
        page_(page),
        trace_(trace),
        positions_(trace.text) {}

  std::string Run(std::span<const Diagnostic> messages, ScanCounts* counts) {
    // Room for the usual lines of every match at once: a report of many
    // matches would otherwise be copied to fresh memory as it doubles.
    out_.reserve(1024 + trace_.records.size() * 256);
    Header();
    Messages(messages);
    Bounds();
    Records();
    Summary(messages.size());
    *counts = counts_;
    return std::move(out_);
  }

 private:
  std::string Position(std::ptrdiff_t offset) {
    return positions_.At(static_cast<size_t>(offset));
  }

  void Header() {
    out_ += "Page " + DisplayText(page_.name) + ", preset [" +
            DisplayText(section_) + "], from " + FormatDate(page_.date) + "\n";
    int code_page = preset_.code_page;
    std::string separator(1, preset_.rules.separator);
    int extra_decimals = preset_.rules.extra_decimals;
    out_ += "Codepage " + std::to_string(code_page) + ", DecimalSeparator " +
            QuoteForReport(separator) +
            (extra_decimals == 0
                 ? std::string()
                 : ", ExtraDecimals " + std::to_string(extra_decimals) +
                       " (values scaled by 10^" +
                       std::to_string(extra_decimals) + ")") +
            "; " + std::to_string(page_.bytes.size()) + " bytes";
    bool has_high_bytes = std::any_of(
        page_.bytes.begin(), page_.bytes.end(),
        [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (code_page == 65001) {
      out_ += ", read as UTF-8\n";
    } else if (has_high_bytes && trace_.text == page_.bytes) {
      out_ += ", which do not convert from code page " +
              std::to_string(code_page) +
              ": the patterns see them as they are\n";
    } else {
      out_ += ", " + std::to_string(trace_.text.size()) +
              " after conversion to UTF-8\n";
    }
  }

  void Messages(std::span<const Diagnostic> messages) {
    if (messages.empty()) return;
    out_ += "\nThe module shows:\n";
    for (const Diagnostic& message : messages) {
      std::string text = DisplayText(message.title) + ": ";
      // Multi-line texts keep their lines, indented.
      std::string_view rest = message.text;
      for (bool first = true;; first = false) {
        size_t newline = rest.find('\n');
        text += (first ? "" : "\n    ") + DisplayText(rest.substr(0, newline));
        if (newline == std::string_view::npos) break;
        rest.remove_prefix(newline + 1);
      }
      out_ += "  " + text + "\n";
    }
  }

  void Groups(const std::vector<std::string>& names, const TracedMatch& match) {
    for (size_t n = 1; n < names.size(); ++n) {
      char label[64];
      std::snprintf(label, sizeof label, "    %zu %-8s ", n, names[n].c_str());
      out_ += label;
      if (n < match.groups.size() && match.groups[n].took_part()) {
        out_ += QuoteForReport(SpanText(trace_, match.groups[n])) + "\n";
      } else {
        out_ += "did not take part\n";
      }
    }
  }

  void Bounds() {
    out_ += "\n";
    const std::string start_date = FormatDate(trace_.date_after_prologue);
    switch (trace_.prologue) {
      case ScanTrace::Bound::kNotSet:
        out_ += "Prologue  not set: the first search starts at the top, on " +
                start_date + "\n";
        break;
      case ScanTrace::Bound::kNoMatch:
        out_ += "Prologue  no match: the first search starts at the top, on " +
                start_date + "\n";
        break;
      case ScanTrace::Bound::kMatched: {
        const TextSpan whole = trace_.prologue_match.groups[0];
        out_ += "Prologue  " + Position(whole.begin) + " to " +
                Position(whole.end) + ": the first search starts there, on " +
                start_date + "\n";
        Groups(GroupNames(preset_.prologue->compiled), trace_.prologue_match);
        break;
      }
    }
    switch (trace_.epilogue) {
      case ScanTrace::Bound::kNotSet:
        out_ += "Epilogue  not set: searches run to the end of the page\n";
        break;
      case ScanTrace::Bound::kNoMatch:
        out_ += "Epilogue  no match: searches run to the end of the page\n";
        break;
      case ScanTrace::Bound::kMatched: {
        const TextSpan whole = trace_.epilogue_match.groups[0];
        out_ += "Epilogue  " + Position(whole.begin) + " to " +
                Position(whole.end) + ": no search starts after " +
                Position(whole.end) + "\n";
        break;
      }
    }
  }

  void Records() {
    size_t next = 0;
    for (int k = 0; k < trace_.record_count; ++k) {
      const PresetPattern& pattern = preset_.records[k].pattern;
      const std::string& key = pattern.key;
      const std::vector<std::string> names = GroupNames(pattern.compiled);
      out_ += "\n";
      size_t found = 0;
      for (; next < trace_.records.size() && trace_.records[next].pattern == k;
           ++next, ++found) {
        Record(key, k, names, trace_.records[next]);
      }
      if (found == 0) {
        out_ += key +
                (pattern.compiled.null()
                     ? "  does not compile, so it finds nothing\n"
                     : "  no match from " + positions_.At(trace_.start) + "\n");
      }
    }
  }

  void Record(const std::string& key, int k,
              const std::vector<std::string>& names,
              const TracedRecord& record) {
    ++counts_.matches;
    const TextSpan whole = record.match.groups[0];
    out_ += key + "  " + Position(whole.begin);
    if (static_cast<size_t>(whole.begin) >= trace_.end &&
        trace_.epilogue == ScanTrace::Bound::kMatched) {
      out_ += ", after the Epilogue (its search started before it)";
    }
    out_ += "\n";
    Groups(names, record.match);

    std::string code = "code " + QuoteForReport(record.code);
    std::string n = k == 0 ? "" : std::to_string(k + 1);
    std::string other_code;
    if (!Supplied(names, record.match, "code")) {
      // The preset's code is renamed as it is read, before the filter.
      const std::string& written = preset_.records[k].written_code;
      other_code = " (OtherCurrencyCode" + n +
                   (written == record.code
                        ? ")"
                        : " " + QuoteForReport(written) + ", renamed)");
      code += other_code;
    }
    std::string name = "name " + QuoteForReport(record.name);
    if (!Supplied(names, record.match, "name")) {
      name += " (OtherCurrencyName" + n + ")";
    }
    std::string rest = "date " + FormatDate(record.date) + ", " + name +
                       ", value1 " + FormatFixedPoint(record.value1) +
                       ", value2 " + FormatFixedPoint(record.value2);
    if (record.delivered) {
      ++counts_.delivered;
      std::string delivered = "code " + QuoteForReport(record.delivered_code);
      if (record.delivered_code != record.code) {
        delivered += " (renamed from " + QuoteForReport(record.code) + ")";
      } else {
        delivered += other_code;
      }
      out_ += "  -> delivered: " + delivered + ", " + rest + "\n";
    } else if (record.flaw != MatchFlaw::kNone) {
      ++counts_.unreadable;
      out_ += std::string("  -> not delivered: ") + FlawText(record.flaw) +
              "; " + code + ", " + rest + "\n";
    } else if (record.other_date) {
      ++counts_.other_day;
      out_ +=
          "  -> not delivered: not the day asked for (RequestedDateOnly); " +
          code + ", " + rest + "\n";
    } else {
      out_ += "  -> filtered out: CurrencyFilter does not list the " + code +
              "; " + rest + "\n";
    }
    if (record.ended_at_start) {
      out_ +=
          "  (an empty match where the search began: " + key + " stops here)\n";
    }
  }

  static const char* FlawText(MatchFlaw flaw) {
    switch (flaw) {
      case MatchFlaw::kValueTooLarge:
        return "a value past the largest the module delivers";
      case MatchFlaw::kValueExponent:
        return "a value written with an exponent";
      case MatchFlaw::kImpossibleDate:
        return "day, month and year groups that make no date";
      case MatchFlaw::kNone:
        break;
    }
    return "";
  }

  void Summary(size_t message_count) {
    size_t filtered = counts_.matches - counts_.delivered - counts_.unreadable -
                      counts_.other_day;
    out_ += "\nSummary: " + std::to_string(counts_.matches) + " match" +
            (counts_.matches == 1 ? "" : "es") + " of " +
            std::to_string(trace_.record_count) + " record pattern" +
            (trace_.record_count == 1 ? "" : "s") + ", " +
            std::to_string(counts_.delivered) + " delivered, " +
            std::to_string(filtered) + " filtered out";
    if (counts_.other_day > 0) {
      out_ += ", " + std::to_string(counts_.other_day) + " of other days";
    }
    if (counts_.unreadable > 0) {
      out_ += ", " + std::to_string(counts_.unreadable) + " unreadable";
    }
    if (message_count > 0) {
      out_ += ", " + std::to_string(message_count) + " message box" +
              (message_count == 1 ? "" : "es");
    }
    out_ += ".\n";
  }

  const PluginConfig& config_;
  const CompiledPreset& preset_;
  std::string section_;
  const ScannedPage& page_;
  const ScanTrace& trace_;
  TextPositions positions_;
  ScanCounts counts_;
  std::string out_;
};

}  // namespace

TextPositions::TextPositions(std::string_view text) : text_(text) {
  line_starts_.push_back(0);
  block_characters_.reserve(text.size() / kBlock + 1);
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i % kBlock == 0) block_characters_.push_back(characters);
    if (!IsUtf8Continuation(text[i])) ++characters;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;  // the line ends after the LF
    }
    if (text[i] == '\r' || text[i] == '\n') line_starts_.push_back(i + 1);
  }
  if (text.size() % kBlock == 0) block_characters_.push_back(characters);
}

size_t TextPositions::CharactersBefore(size_t offset) const {
  const size_t block = offset / kBlock;
  size_t characters = block_characters_[block];
  for (size_t i = block * kBlock; i < offset; ++i) {
    if (!IsUtf8Continuation(text_[i])) ++characters;
  }
  return characters;
}

std::string TextPositions::At(size_t offset) const {
  offset = std::min(offset, text_.size());
  size_t line = static_cast<size_t>(
      std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) -
      line_starts_.begin() - 1);
  size_t column =
      CharactersBefore(offset) - CharactersBefore(line_starts_[line]) + 1;
  return std::to_string(line + 1) + ":" + std::to_string(column);
}

std::string DescribeScan(const PluginConfig& config,
                         const CompiledPreset& preset, const ScannedPage& page,
                         const ScanTrace& trace,
                         std::span<const Diagnostic> messages,
                         ScanCounts* counts) {
  return Reporter(config, preset, page, trace).Run(messages, counts);
}

}  // namespace pagerates::cli
