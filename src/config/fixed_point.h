// Values as the module delivers them: fixed point, scaled by 10000.
#ifndef PAGERATES_CONFIG_FIXED_POINT_H_
#define PAGERATES_CONFIG_FIXED_POINT_H_

#include <cstdint>

namespace pagerates {

// The value a record carries when its pattern supplies none: 1.
inline constexpr int64_t kFixedPointOne = 10000;

// The most decimals past the fourth a preset's ExtraDecimals may keep.
inline constexpr int kMaxExtraDecimals = 6;

}  // namespace pagerates

#endif  // PAGERATES_CONFIG_FIXED_POINT_H_
