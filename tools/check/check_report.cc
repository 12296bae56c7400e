#include "check/check_report.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "check/page_check.h"
#include "check/preset_check.h"
#include "check/scan_report.h"
#include "config/plugin_config.h"
#include "output/record_format.h"
#include "parse/page_scanner.h"
#include "parse/scan_trace.h"
#include "port/ascii.h"

namespace pagerates::cli {
namespace {

// The scan's records are read from its trace; the sink only has to exist.
class DiscardingSink final : public RateSink {
 public:
  void PAGERATES_THISCALL RequestResource(const ResourceRequest*) override {}
  void PAGERATES_THISCALL AddRate(const RateRecord*) override {}
};

std::string ListOf(const std::vector<std::string>& sections) {
  std::string text;
  for (const std::string& section : sections) {
    if (!text.empty()) text += ", ";
    text += "[" + DisplayText(section) + "]";
  }
  return text;
}

// Section names match without regard to ASCII case, as in the INI file.
bool SameName(std::string_view a, std::string_view b) {
  return EqualsIgnoringAsciiCase(a, b);
}

std::string Problems(size_t count, std::string_view where = "") {
  return std::to_string(count) + (count == 1 ? " problem" : " problems") +
         " found" + std::string(where) + ".\n";
}

}  // namespace

CheckOutcome CheckIni(const std::string& ini_path,
                      const std::optional<PageToCheck>& page) {
  PluginConfig config;
  // Loading reports each preset it drops; the findings below name the same
  // presets with the reason.
  CollectedDiagnostics load_diagnostics;
  config.Load(ini_path, &load_diagnostics);

  CheckOutcome outcome;
  std::vector<std::string> listed =
      SplitList(config.ReadString("main", "ActivePreset").view());
  outcome.report = "Checking " + DisplayText(ini_path) + ": " +
                   (listed.empty() ? std::string("no active preset")
                                   : (listed.size() == 1 ? "active preset "
                                                         : "active presets ") +
                                         ListOf(listed)) +
                   "\n";
  std::vector<Finding> findings = CheckPresets(config);
  outcome.report += FormatFindings(findings);
  // The module's own messages at load, as a host would see them.
  const size_t shown = load_diagnostics.reports.size();
  if (shown > 0) {
    outcome.report += "Loading the file shows " + std::to_string(shown) +
                      (shown == 1 ? " message box:\n" : " message boxes:\n");
  }
  for (const Diagnostic& box : load_diagnostics.reports) {
    outcome.report +=
        "    " + DisplayText(box.title) + ": " + DisplayText(box.text) + "\n";
  }
  outcome.problems = !findings.empty();
  if (!findings.empty()) {
    outcome.report += Problems(findings.size());
  } else {
    outcome.report +=
        page ? "No problems found in the presets.\n" : "No problems found.\n";
  }
  if (!page) return outcome;

  int index = -1;
  std::vector<std::string> active;
  for (int i = 0; i < config.preset_count(); ++i) {
    active.emplace_back(config.PresetName(i));
    if (page->preset.empty() ? i == 0
                             : SameName(config.PresetName(i), page->preset)) {
      if (index < 0) index = i;
    }
  }
  // With every listed preset dropped the module still scans with the
  // first slot; so does this.
  if (page->preset.empty() && index < 0 && config.has_primary()) index = 0;
  if (index < 0) {
    outcome.problems = true;
    outcome.report +=
        "\nCannot scan " + DisplayText(page->name) + ": " +
        (page->preset.empty()
             ? std::string("no preset is active")
             : "[" + DisplayText(page->preset) + "] is not an active preset" +
                   (active.empty() ? ""
                                   : " (active: " + ListOf(active) + ")")) +
        "\n";
    return outcome;
  }

  const char* text = page->bytes.c_str();
  DiscardingSink sink;
  ScanTrace trace;
  CollectedDiagnostics diagnostics;
  const CompiledPreset& preset = *config.presets()->preset(index);
  ScanPage(preset, text, page->date, &sink, &diagnostics, nullptr, &trace);
  const std::vector<Diagnostic>& messages = diagnostics.reports;
  ScanCounts counts;
  ScannedPage scanned{page->name, std::string_view(text, std::strlen(text)),
                      page->date};
  // The scan's report is most of the text: what comes before goes in front
  // of it, rather than all of it being copied after what comes before.
  std::string scan_report =
      DescribeScan(config, preset, scanned, trace, messages, &counts);
  scan_report.insert(0, outcome.report + "\n");
  outcome.report = std::move(scan_report);
  std::vector<Finding> on_page = CheckScannedPage(preset, scanned.bytes, trace);
  // A scan that shows a message or delivers nothing is a problem even when
  // no finding names its cause: say so.
  if (!messages.empty()) {
    AddFinding(&on_page, preset.section, "",
               "the scan shows " + std::to_string(messages.size()) +
                   (messages.size() == 1 ? " message box" : " message boxes") +
                   " (above): the host's user sees each one at every page");
  }
  if (counts.delivered == 0) {
    std::string why;
    if (counts.matches == 0) {
      why = trace.records.empty() && trace.record_count > 0
                ? "no record pattern matches the page" +
                      std::string(trace.prologue == ScanTrace::Bound::kMatched
                                      ? " after the Prologue's match"
                                      : "")
                : "there is no record pattern to match";
      why += ": compare the patterns with the page's text";
    } else {
      why = std::to_string(counts.matches) +
            (counts.matches == 1 ? " match" : " matches") +
            " but none delivered (see each match's line above)";
    }
    AddFinding(&on_page, preset.section, "", "nothing is delivered: " + why);
  }
  if (!on_page.empty()) {
    outcome.problems = true;
    outcome.report += "\n" + FormatFindings(on_page) +
                      Problems(on_page.size(), " on the page");
  }
  return outcome;
}

}  // namespace pagerates::cli
