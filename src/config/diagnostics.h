// Diagnostics: the one channel through which the configuration and the
// scanner report problems.
//
// Neither shows anything itself. The module's host layer turns each report
// into a message box (title and text as they stand); `pagerates check`
// collects them into its report. A report is complete when Report()
// returns: the receiver copies what it keeps.
#ifndef PAGERATES_CONFIG_DIAGNOSTICS_H_
#define PAGERATES_CONFIG_DIAGNOSTICS_H_

#include <string>
#include <vector>

namespace pagerates {

inline constexpr char kConfigErrorTitle[] = "Configuration error";
inline constexpr char kRegexErrorTitle[] = "Regular expression error";
inline constexpr char kPageErrorTitle[] = "Page error";

struct Diagnostic {
  enum class Kind {
    kPresetNotFound,        // a listed preset without HomeCurrencyCode
    kHomeCurrencyMismatch,  // a listed preset with another home currency
    kMissingRecordPatterns,
    kPatternError,  // a Prologue, Epilogue or record pattern that does not
                    // compile
    kNoCurl,        // several presets and no usable libcurl
    kPageTooLarge,  // a page longer than the patterns can be run on
  };
  Kind kind;
  std::string section;  // the preset concerned; empty for module-wide ones
  std::string key;      // the INI key at fault, when there is one
  std::string title;    // the message box's title and text
  std::string text;
};

class Diagnostics {
 public:
  virtual ~Diagnostics() = default;
  virtual void Report(const Diagnostic& diagnostic) = 0;
};

// Keeps every report, in order.
class CollectedDiagnostics final : public Diagnostics {
 public:
  void Report(const Diagnostic& diagnostic) override {
    reports.push_back(diagnostic);
  }
  std::vector<Diagnostic> reports;
};

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_DIAGNOSTICS_H_
