#pragma once

#include <cstdint>

namespace luma::lum_button_defaults {

// What a fresh button shows, and what save() leaves out of the bag.
inline constexpr const char* kCaption = "Button";
inline constexpr std::int16_t kBorderSize = 2;
// The body's outline as drawn at design time; the BorderSize property
// reaches the outline only when it is set while the button runs.
inline constexpr int kDesignBorderWidth = 1;
inline constexpr int kBackColor = 0x808000;
inline constexpr int kForeColor = 0xFFFFFF;
inline constexpr int kBorderColor = 0x000000;
inline constexpr int kDotColor = 0xC0C000;
inline constexpr int kFillColor = 0x808000;
inline constexpr int kOverColor = 0xFFFF00;
inline constexpr bool kEnabled = true;
inline constexpr std::int16_t kDotX = 15;
inline constexpr std::int16_t kDotY = 15;
inline constexpr std::int16_t kDotWidth = 10;
inline constexpr std::int16_t kDotHeight = 10;
inline constexpr std::int32_t kButtonShape = 4;  // rounded rectangle
inline constexpr std::int32_t kDotShape = 3;     // circle
inline constexpr int kHoverPollMs = 10;

}  // namespace luma::lum_button_defaults
