#include "host/module_host.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <utility>

namespace pagerates::cli {
namespace {

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// Empty when `path` can be opened for reading, else the reason.
std::string CheckReadable(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return ErrorText(errno);
  std::fclose(file);
  return std::string();
}

// The wide encoding whose byte-order mark `head` starts with, or null.
const char* WideEncoding(std::string_view head) {
  if (head.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
      head.starts_with(std::string_view("\0\0\xFE\xFF", 4))) {
    return "UTF-32";
  }
  if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
    return "UTF-16";
  }
  return nullptr;
}

}  // namespace

std::string IniFileProblem(const std::string& path) {
  const std::string cannot = "cannot read INI file " + path + ": ";
  std::string reason;
  std::optional<FileKind> kind = KindOfFile(path, &reason);
  if (!kind) return cannot + reason;
  if (*kind != FileKind::kRegular) {
    return cannot + "it is " + DescribeFileKind(*kind) + ", not a regular file";
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return cannot + ErrorText(errno);
  char head[4];
  const size_t count = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (const char* encoding = WideEncoding(std::string_view(head, count))) {
    return path + " is " + encoding + " (it starts with a " + encoding +
           " byte-order mark); save it as UTF-8 or in the code page of its "
           "text";
  }
  return std::string();
}

// ---- RecordingSink ------------------------------------------------------

void RecordingSink::RequestResource(const ResourceRequest* request) {
  if (request == nullptr) return;
  try {
    requests_.push_back(PageRequest{request->size, request->date,
                                    request->estimatedSize, request->dateValue,
                                    Text(request->path)});
  } catch (...) {
    failed_ = true;
  }
}

void RecordingSink::AddRate(const RateRecord* record) {
  if (record == nullptr) return;
  try {
    if (stream_ != nullptr) {
      stream_->Take(RecordView{record->date,
                               record->code != nullptr ? record->code : "",
                               record->name != nullptr ? record->name : "",
                               record->value1, record->value2});
      return;
    }
    records_.push_back(Record{record->date, Text(record->code),
                              Text(record->name), record->value1,
                              record->value2});
  } catch (...) {
    failed_ = true;
  }
}

std::optional<PageRequest> RecordingSink::TakeRequest() {
  std::vector<PageRequest> requests = std::exchange(requests_, {});
  if (requests.empty()) return std::nullopt;
  return std::move(requests.back());
}

std::vector<Record> RecordingSink::TakeRecords() {
  return std::exchange(records_, {});
}

// ---- Module -------------------------------------------------------------

StagedNames StagedFileNames(const std::string& module_path) {
  size_t slash = module_path.find_last_of("/\\");
  std::string name =
      slash == std::string::npos ? module_path : module_path.substr(slash + 1);
  size_t dot = name.rfind('.');
  std::string stem =
      dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  if (stem.empty()) stem = "pagerates";
  return {stem + kModuleExtension, stem + ".ini"};
}

std::unique_ptr<Module> Module::Load(const std::string& module_path,
                                     const std::string& ini_path,
                                     std::string* error) {
  std::string reason;
  std::string absolute_module = AbsolutePath(module_path, &reason);
  if (absolute_module.empty()) {
    *error = "cannot load module " + module_path + ": " + reason;
    return nullptr;
  }
  std::unique_ptr<Module> module(new Module());
  std::string load_path = absolute_module;
  if (!ini_path.empty()) {
    std::string absolute_ini = AbsolutePath(ini_path, &reason);
    if (absolute_ini.empty()) {
      *error = "cannot read INI file " + ini_path + ": " + reason;
      return nullptr;
    }
    reason = IniFileProblem(ini_path);
    if (!reason.empty()) {
      *error = reason;
      return nullptr;
    }
    // The links would hide a missing module behind their own names.
    reason = CheckReadable(absolute_module);
    if (!reason.empty()) {
      *error = "cannot load module " + module_path + ": " + reason;
      return nullptr;
    }
    module->directory_ = TempDirectory::Create(&reason);
    if (!module->directory_) {
      *error = reason;
      return nullptr;
    }
    StagedNames names = StagedFileNames(absolute_module);
    load_path =
        module->directory_->Link(names.module, absolute_module, &reason);
    if (load_path.empty() ||
        module->directory_->Link(names.ini, absolute_ini, &reason).empty()) {
      *error = reason;
      return nullptr;
    }
  }
  module->library_ = port::SharedLibrary(load_path.c_str(), &reason);
  if (!module->library_.loaded()) {
    // The loader's reason may start with the path it was given.
    if (reason.starts_with(load_path + ": ")) {
      reason.erase(0, load_path.size() + 2);
    }
    *error = "cannot load module " + module_path + ": " + reason;
    return nullptr;
  }
  // The exports are functions; their addresses come back as data pointers.
  Exports& exports = module->exports_;
  exports.get_library_info = reinterpret_cast<GetLibraryInfoFn>(
      module->library_.Symbol("GetLibraryInfo"));
  exports.get_resources =
      reinterpret_cast<GetResourcesFn>(module->library_.Symbol("GetResources"));
  exports.fetch_rates =
      reinterpret_cast<FetchRatesFn>(module->library_.Symbol("FetchRates"));
  const char* missing = exports.get_library_info == nullptr ? "GetLibraryInfo"
                        : exports.get_resources == nullptr  ? "GetResources"
                        : exports.fetch_rates == nullptr    ? "FetchRates"
                                                            : nullptr;
  if (missing != nullptr) {
    *error =
        "cannot use module " + module_path + ": it does not export " + missing;
    return nullptr;
  }
  return module;
}

ModuleInfo Module::Info() const {
  const LibraryInfo* info = exports_.get_library_info();
  if (info == nullptr) return ModuleInfo();
  return ModuleInfo{Text(info->name),
                    Text(info->server),
                    Text(info->homeCurrencyCode),
                    Text(info->homeCurrencyName),
                    info->codePage,
                    Text(info->author),
                    Text(info->email),
                    Text(info->homePage)};
}

void Module::GetResources(RateDate date, RateSink* sink) const {
  exports_.get_resources(date, sink);
}

void Module::FetchRates(const char* page, RateDate date, RateSink* sink) const {
  exports_.fetch_rates(page, date, sink);
}

}  // namespace pagerates::cli
