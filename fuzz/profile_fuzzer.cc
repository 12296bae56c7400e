// The INI reader on arbitrary file bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "port/port.h"
#include "port/profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pagerates::port::ProfileText text(
      std::string_view(reinterpret_cast<const char*>(data), size));
  for (const char* section : {"main", "p", "currency-rename", ""}) {
    for (const char* key : {"ActivePreset", "Record", "Codepage", "k", ""}) {
      if (const std::string* value = text.Find(section, key)) {
        if (value->size() > pagerates::port::kMaxProfileValue) std::abort();
        pagerates::port::ProfileText::ParseInt(*value);
      }
    }
  }
  return 0;
}
