// Address templates expanded with arbitrary date values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "config/address_template.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(RateDate)) return 0;
  RateDate date;
  std::memcpy(&date, data, sizeof date);
  std::string_view address_template(reinterpret_cast<const char*>(data + sizeof date),
                                    size - sizeof date);
  pagerates::HeapString out = pagerates::ExpandAddressTemplate(address_template, date);
  // Without a '%' the template comes back unchanged.
  if (address_template.find('%') == std::string_view::npos &&
      out.view() != address_template) {
    std::abort();
  }
  return 0;
}
