// The host's side of the module's binary interface, for every program that
// hosts the module (the command, the benchmark, the scenario runner and the
// tests): loading the module by path as a host application does, calling
// its three exports, and a sink that keeps what the module delivers. The
// hooks the module calls back are in host_hooks.h.
//
// Nothing here throws through the module: the sink's operations catch
// everything and remember that they failed.
#ifndef PAGERATES_TOOLS_HOST_MODULE_HOST_H_
#define PAGERATES_TOOLS_HOST_MODULE_HOST_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host_os.h"
#include "host/records.h"
#include "pagerates/abi.h"
#include "port/port.h"

namespace pagerates::cli {

// A copy of a ResourceRequest.
struct PageRequest {
  uint32_t size = 0;
  RateDate date{};
  uint32_t estimated_size = 0;
  uint32_t date_value = 0;
  std::string path;
};

// A copy of LibraryInfo; null strings become empty ones.
struct ModuleInfo {
  std::string name;
  std::string server;
  std::string home_currency_code;
  std::string home_currency_name;
  uint32_t code_page = 0;
  std::string author;
  std::string email;
  std::string home_page;
};

// Copies every request and record at once (their strings are valid only
// during the call) and keeps them, in delivery order, until taken; or,
// once Stream() is called, hands every record to the stream as it
// arrives, keeping none. A null string is kept as an empty one.
class RecordingSink : public RateSink {
 public:
  RecordingSink() = default;
  // `stream` must outlive the sink's use.
  void Stream(RecordStream* stream) { stream_ = stream; }
  ~RecordingSink() = default;
  RecordingSink(const RecordingSink&) = delete;
  RecordingSink& operator=(const RecordingSink&) = delete;

  void PAGERATES_THISCALL
  RequestResource(const ResourceRequest* request) override;
  void PAGERATES_THISCALL AddRate(const RateRecord* record) override;

  // What is kept: the requests since the last TakeRequest(), the records
  // since the last TakeRecords().
  const std::vector<PageRequest>& requests() const { return requests_; }
  const std::vector<Record>& records() const { return records_; }
  // The latest request kept, if any; forgets them all.
  std::optional<PageRequest> TakeRequest();
  // The records kept; forgets them.
  std::vector<Record> TakeRecords();
  // True once a delivery could not be kept (memory ran out); what was
  // delivered is then incomplete.
  bool failed() const { return failed_; }

 private:
  std::vector<PageRequest> requests_;
  std::vector<Record> records_;
  RecordStream* stream_ = nullptr;
  bool failed_ = false;
};

// A loaded module with its exports resolved. Unloaded on destruction.
class Module {
 public:
  // Loads the module at `module_path` (of any length the platform's loader
  // takes), its exports resolved. With a non-empty `ini_path` the
  // module is loaded through a private temporary directory, where it finds
  // `ini_path` as its INI file; the directory goes with the Module. Null
  // with `*error` set (one line: what failed and why) on failure.
  static std::unique_ptr<Module> Load(const std::string& module_path,
                                      const std::string& ini_path,
                                      std::string* error);

  // The three exports as resolved. A host that watches its calls into the
  // module may replace them with wrappers of the same type that call
  // through; the calls below go through whatever is here.
  struct Exports {
    GetLibraryInfoFn get_library_info = nullptr;
    GetResourcesFn get_resources = nullptr;
    FetchRatesFn fetch_rates = nullptr;
  };
  Exports& exports() { return exports_; }
  const Exports& exports() const { return exports_; }

  ModuleInfo Info() const;
  void GetResources(RateDate date, RateSink* sink) const;
  // `page` is handed over NUL-terminated.
  void FetchRates(const std::string& page, RateDate date,
                  RateSink* sink) const {
    FetchRates(page.c_str(), date, sink);
  }
  void FetchRates(const char* page, RateDate date, RateSink* sink) const;

 private:
  Module() = default;

  // Declared before library_ so that it outlives the loaded module.
  std::optional<TempDirectory> directory_;
  port::SharedLibrary library_;
  Exports exports_;
};

// Why the file at `path` cannot serve as the module's INI file, in one
// line that names it: it cannot be looked at or read; it is not a regular
// file (a directory, a pipe: found without opening it, so a FIFO with no
// writer holds nothing up); or it is UTF-16 or UTF-32 text with its
// byte-order mark, which the module's reader takes for a file without
// keys. Empty when it can serve.
std::string IniFileProblem(const std::string& path);

// The names under which a module at `module_path` would be found with its
// INI file beside it: {"<stem><ext>", "<stem>.ini"}, where <stem> is the
// file name without its extension and <ext> the platform's module
// extension.
struct StagedNames {
  std::string module;
  std::string ini;
};
StagedNames StagedFileNames(const std::string& module_path);

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_MODULE_HOST_H_
