// Runs the scenario cases against the real module, loaded as a host loads
// it, and compares each transcript with the case's expected one.
//
//   scenario_runner --module FILE --cases DIR [--http-base URL --http-log FILE]
//                   [--update] [--save DIR] [--repeat N] [CASE...]
//
// A case is a folder holding `pagerates.ini` (with @HTTP@ standing for the
// test server's base address), `steps` and `expected`. Each line of `steps`
// is one of
//   info                      GetLibraryInfo
//   resources YYYY-MM-DD      GetResources
//   fetch YYYY-MM-DD FILE     FetchRates with FILE's bytes ("-": empty page)
//   ini FILE                  replace the INI beside the module with FILE
//   requires http             skip the case when no test server is given
//   requires slow             skip it unless PAGERATES_TEST_SLOW is set (a
//                             case that takes minutes)
//   requires WORD             skip it unless the host can arrange WORD (see
//                             ArrangeRequirement in module_host.h)
//   files DIR                 read pagerates.ini and the FILEs above from
//                             DIR, relative to the case folder, instead of
//                             the case folder (a sample preset's own folder:
//                             files ../../../examples/presets/<shape>)
// and `#` starts a comment. Neither `requires` nor `files` appears in the
// transcript. The module is loaded for each case from a
// fresh folder and unloaded at its end. The transcript records every sink
// call, every message box, every request the test server logged and every
// call into a stand-in libcurl, in order (see HttpLog), in a form that is the same on
// every platform; breaches of the binary interface that the host detects
// (calling conventions, record layout) appear as lines of their own.
// After the cases, the host's own loader checks run (RunPlatformChecks).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>
#include <filesystem>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "host/host_hooks.h"
#include "output/text.h"
#include "tests/scenario/c_sink.h"
#include "tests/scenario/module_host.h"

namespace pagerates::scenario {
namespace {

std::string ReadFile(const std::string& path, bool* ok = nullptr) {
  std::ifstream in(path, std::ios::binary);
  if (ok != nullptr) *ok = static_cast<bool>(in);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// A string the module handed over, quoted as the jsonl format quotes it:
// valid UTF-8 as it is; quotes, backslashes, control characters and stray
// bytes escaped.
std::string Quote(const char* text) {
  return text != nullptr ? cli::JsonString(text) : "(null)";
}

using cli::FormatDate;

bool ParseDate(const std::string& text, RateDate* date) {
  int y, m, d;
  char extra;
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &extra) != 3) return false;
  *date = RateDate{static_cast<int16_t>(y), static_cast<int8_t>(m), static_cast<int8_t>(d)};
  return true;
}

// The test server's request log. The module downloads several pages at
// once, so the server logs them in any order; a transcript shows each
// request where the module reports its download, in the order it walks
// them, and the rest (redirects followed, say) at the end of the step, in
// byte order.
class HttpLog {
 public:
  HttpLog(std::string path, std::string base)
      : path_(std::move(path)), base_(std::move(base)) {
    if (!path_.empty()) seen_ = ReadFile(path_).size();
  }
  // The request for `address` as a transcript line, when the server logged
  // one that no earlier report took.
  void Claim(const std::string& address, std::string* text) {
    if (path_.empty() || base_.empty() || address.rfind(base_, 0) != 0) return;
    Read();
    const std::string line = "GET " + address.substr(base_.size());
    auto it = std::find(pending_.begin(), pending_.end(), line);
    if (it == pending_.end()) return;
    *text += "http " + *it + "\n";
    pending_.erase(it);
  }
  // Every request logged and not yet claimed, sorted.
  void Drain(std::string* text) {
    Read();
    std::sort(pending_.begin(), pending_.end());
    for (const std::string& line : pending_) *text += "http " + line + "\n";
    pending_.clear();
  }

 private:
  void Read() {
    if (path_.empty()) return;
    std::string all = ReadFile(path_);
    if (all.size() <= seen_) return;
    std::istringstream fresh(all.substr(seen_));
    seen_ = all.size();
    for (std::string line; std::getline(fresh, line);) pending_.push_back(line);
  }

  std::string path_;
  std::string base_;
  size_t seen_ = 0;
  std::vector<std::string> pending_;
};

struct Transcript {
  std::string text;
  std::string dir;  // the case's module folder, written as <dir>
  HttpLog* http = nullptr;

  // Calls into a recording libcurl come first: they happened before this
  // line.
  void Line(const std::string& line) {
    TakeCalls();
    text += line + "\n";
  }
  // The module reports a download of its own before it scans the page.
  void Downloaded(const std::string& address) {
    TakeCalls();
    if (http != nullptr) http->Claim(address, &text);
  }
  // The end of a step: every request and call not shown yet.
  void Drain() {
    if (http != nullptr) http->Drain(&text);
    TakeCalls();
  }
  void TakeCalls() {
    std::istringstream calls(TakeLibcurlCalls());
    for (std::string call; std::getline(calls, call);) text += "curl " + call + "\n";
  }
  // Faults are lines of their own, so that a transcript shows them.
  void Faults(const std::string& kind, const std::string& lines) {
    std::istringstream in(lines);
    for (std::string fault; std::getline(in, fault);) Line(kind + ": " + fault);
  }
  std::string Paths(const std::string& s) const {
    std::string out = ReplaceAll(s, dir + kPathSeparator, "<dir>/");
    return ReplaceAll(out, dir, "<dir>");
  }
};

void OnRequest(void* context, const ResourceRequest* r) {
  auto* t = static_cast<Transcript*>(context);
  char value[16];
  std::snprintf(value, sizeof value, "0x%08x", static_cast<unsigned>(r->dateValue));
  t->Line("request date=" + FormatDate(r->date) +
          " size-ok=" + (r->size == sizeof(ResourceRequest) ? "yes" : "no") +
          " estimated-size=" + std::to_string(r->estimatedSize) + " date-value=" + value +
          " path=" + Quote(r->path));
  t->Faults("layout", CheckLayout(*r));
}

void OnRate(void* context, const RateRecord* r) {
  auto* t = static_cast<Transcript*>(context);
  t->Line("rate date=" + FormatDate(r->date) + " code=" + Quote(r->code) +
          " name=" + Quote(r->name) + " value1=" + std::to_string(r->value1) +
          " value2=" + std::to_string(r->value2));
  t->Faults("layout", CheckLayout(*r));
}

struct Options {
  std::string module;
  std::string cases;
  std::string http_base;
  std::string http_log;
  bool update = false;
  std::string save;  // folder to write every transcript to, one file per case
  int repeat = 1;  // rounds over all cases: load and unload cycles
  std::vector<std::string> only;
};

enum class Outcome { kPassed, kFailed, kSkipped };

// Arranges what the case's "requires" lines ask for; false when the case
// cannot run here.
bool ArrangeRequirements(const Options& options, const std::string& steps) {
  ResetRequirements();
  std::istringstream lines(steps);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string verb, word;
    words >> verb >> word;
    if (verb != "requires") continue;
    bool ok = word == "http"   ? !options.http_base.empty()
              : word == "slow" ? std::getenv("PAGERATES_TEST_SLOW") != nullptr
                               : ArrangeRequirement(word);
    if (!ok) {
      ResetRequirements();
      return false;
    }
  }
  return true;
}

// The folder the case's files are read from: `case_dir`, or the folder a
// "files DIR" line names relative to it. The path is joined and normalised
// lexically, so that it holds no "..": the same on every platform, whatever
// separators --cases was given with (Z:\...\scenarios under wine).
std::filesystem::path FilesFolder(const std::string& case_dir, const std::string& steps) {
  std::filesystem::path folder(case_dir);
  std::istringstream lines(steps);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string verb, dir;
    words >> verb >> dir;
    if (verb == "files" && !dir.empty()) folder /= dir;
  }
  return folder.lexically_normal();
}

Outcome RunCase(const Options& options, const std::string& case_dir, std::string* report) {
  std::string steps = ReadFile(case_dir + "/steps");
  if (!ArrangeRequirements(options, steps)) return Outcome::kSkipped;
  const std::filesystem::path files = FilesFolder(case_dir, steps);
  auto case_file = [&files](const std::string& name) { return (files / name).string(); };
  std::string dir = MakeTempDir();
  if (dir.empty()) {
    ResetRequirements();
    *report = "cannot make a temporary folder";
    return Outcome::kFailed;
  }
  Transcript t;
  t.dir = dir;
  std::string ini_path = dir + kPathSeparator + "pagerates.ini";
  auto place_ini = [&](const std::string& file) {
    bool ok = false;
    std::string ini = ReadFile(case_file(file), &ok);
    return ok && WriteFile(ini_path, ReplaceAll(ini, "@HTTP@", options.http_base));
  };
  std::string module_path = dir + kPathSeparator + "pagerates" + kModuleExtension;
  if (!place_ini("pagerates.ini") || !PlaceModule(options.module, module_path)) {
    RemoveTree(dir);
    ResetRequirements();
    *report = "cannot set up the module folder";
    return Outcome::kFailed;
  }
  HttpLog http(options.http_log, options.http_base);
  t.http = &http;
  cli::SetDownloadReportHandler(
      [&t](const cli::DownloadReport& download) { t.Downloaded(download.address); });
  std::string error;
  // Boxes the module shows while it attaches and detaches count too.
  cli::SetMessageBoxHandler([&t](const cli::MessageBoxEntry& box) {
    t.Line("box title=" + Quote(box.title.c_str()) + " text=" + Quote(t.Paths(box.text).c_str()));
  });
  {
    std::unique_ptr<cli::Module> module = cli::Module::Load(module_path, "", &error);
    if (module == nullptr) {
      cli::SetMessageBoxHandler(nullptr);
      RemoveTree(dir);
      ResetRequirements();
      *report = "cannot load the module: " + error;
      return Outcome::kFailed;
    }
    WatchCalls(module.get());
    CSink sink;
    CSinkInit(&sink, &t, OnRequest, OnRate);
    RateSink* host_sink = reinterpret_cast<RateSink*>(&sink);
    std::istringstream lines(steps);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string verb, arg1, arg2;
      words >> verb >> arg1 >> arg2;
      RateDate date{};
      if (verb == "requires" || verb == "files") continue;
      t.Line("> " + line);
      if (verb == "info") {
        LibraryInfo* info = module->exports().get_library_info();
        t.Line("info size-ok=" + std::string(info->size == sizeof(LibraryInfo) ? "yes" : "no") +
               " code-page=" + std::to_string(info->codePage) + " name=" + Quote(info->name) +
               " server=" + Quote(info->server) +
               " home-currency-code=" + Quote(info->homeCurrencyCode) +
               " home-currency-name=" + Quote(info->homeCurrencyName));
        t.Faults("layout", CheckLayout(*info));
      } else if (verb == "resources" && ParseDate(arg1, &date)) {
        module->GetResources(date, host_sink);
      } else if (verb == "fetch" && ParseDate(arg1, &date)) {
        std::string page = arg2 == "-" ? std::string() : ReadFile(case_file(arg2));
        module->FetchRates(page, date, host_sink);
      } else if (verb == "ini" && place_ini(arg1)) {
        // Make sure the change is seen even within one clock tick.
        std::filesystem::last_write_time(
            ini_path, std::filesystem::last_write_time(ini_path) + std::chrono::seconds(2));
      } else {
        t.Line("bad step");
      }
      t.Faults("convention", TakeConventionFaults());
      if (unsigned wrong = CSinkTakeWrongObjectCalls(); wrong != 0) {
        t.Line("convention: " + std::to_string(wrong) + " sink calls without the sink object");
      }
      t.Drain();
    }
  }
  cli::SetMessageBoxHandler(nullptr);
  cli::SetDownloadReportHandler(nullptr);
  t.Drain();
  RemoveTree(dir);
  ResetRequirements();

  if (!options.save.empty()) {
    std::string name = std::filesystem::path(case_dir).filename().string();
    WriteFile(options.save + "/" + name, t.text);
  }
  std::string expected_path = case_dir + "/expected";
  if (options.update) {
    WriteFile(expected_path, t.text);
    return Outcome::kPassed;
  }
  std::string expected = ReadFile(expected_path);
  if (expected == t.text) return Outcome::kPassed;
  *report = "--- expected\n" + expected + "--- actual\n" + t.text;
  return Outcome::kFailed;
}

int Main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--module") options.module = value();
    else if (arg == "--http-from-env") {
      const char* base = std::getenv("PAGERATES_TEST_HTTP");
      const char* log = std::getenv("PAGERATES_TEST_HTTP_LOG");
      if (base != nullptr) options.http_base = base;
      if (log != nullptr) options.http_log = log;
    }
    else if (arg == "--cases") options.cases = value();
    else if (arg == "--http-base") options.http_base = value();
    else if (arg == "--http-log") options.http_log = value();
    else if (arg == "--update") options.update = true;
    else if (arg == "--save") options.save = value();
    else if (arg == "--repeat") options.repeat = std::max(1, std::atoi(value().c_str()));
    else options.only.push_back(arg);
  }
  if (options.module.empty() || options.cases.empty()) {
    std::cerr << "usage: scenario_runner --module FILE --cases DIR [--http-base URL "
                 "--http-log FILE] [--update] [--save DIR] [--repeat N] [CASE...]\n";
    return 2;
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(options.cases)) {
    if (!entry.is_directory()) continue;
    std::string name = entry.path().filename().string();
    if (options.only.empty() ||
        std::find(options.only.begin(), options.only.end(), name) != options.only.end()) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  int passed = 0, failed = 0, skipped = 0;
  for (int round = 0; round < options.repeat; ++round)
  for (const std::string& name : names) {
    std::string report;
    switch (RunCase(options, options.cases + "/" + name, &report)) {
      case Outcome::kPassed:
        ++passed;
        std::cout << "ok    " << name << "\n";
        break;
      case Outcome::kSkipped:
        ++skipped;
        std::cout << "skip  " << name << "\n";
        break;
      case Outcome::kFailed:
        ++failed;
        std::cout << "FAIL  " << name << "\n" << report;
        break;
    }
  }
  if (options.only.empty()) {
    for (const PlatformCheck& check : RunPlatformChecks(options.module)) {
      ++(check.passed ? passed : failed);
      std::cout << (check.passed ? "ok    " : "FAIL  ") << check.name << "\n" << check.report;
    }
  }
  std::cout << passed << " passed, " << failed << " failed, " << skipped << " skipped\n";
  return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace
}  // namespace pagerates::scenario

int main(int argc, char** argv) { return pagerates::scenario::Main(argc, argv); }
