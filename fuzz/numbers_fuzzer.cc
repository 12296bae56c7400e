// Fixed-point and leading-digit readers on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "parse/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  char separator = static_cast<char>(data[0]);
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  volatile int64_t fixed = pagerates::ParseFixedPoint(text, separator);
  volatile int32_t digits = pagerates::ParseLeadingDigits(text);
  (void)fixed;
  (void)digits;
  return 0;
}
