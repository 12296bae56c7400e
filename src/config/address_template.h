// Page address templates: text in which %dd%, %d%, %mm%, %m%, %yyyy%, %yy%
// and %mon% (Jan ... Dec) stand for parts of a date.
#ifndef PAGERATES_CONFIG_ADDRESS_TEMPLATE_H_
#define PAGERATES_CONFIG_ADDRESS_TEMPLATE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "pagerates/abi.h"
#include "port/heap_string.h"

namespace pagerates {

// Returns a fresh string: `address_template` with every placeholder replaced
// by the date's field (day and month as signed 8-bit, year as signed 16-bit;
// %yy% is the year's remainder of truncating division by 100). A '%' that
// opens no placeholder is copied. Any date value is safe: the result is
// sized to what is written.
HeapString ExpandAddressTemplate(std::string_view address_template,
                                 RateDate date);

// The length of the placeholder `text` starts with, or 0.
size_t PlaceholderLength(std::string_view text);

// The placeholders, separated by blanks: "%dd% %d% ...".
std::string PlaceholderList();

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_ADDRESS_TEMPLATE_H_
