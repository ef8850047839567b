#pragma once

#include "common/files.h"

#include <QString>

namespace vt
{

// The key of the stored sample list.
inline constexpr char16_t kSampleKey[] = u"lanterns";

// Shifts every character code (1..255; others count as 63, "?") by the code
// of the key character at the same place, the key used over and over; sums
// of 256 and more wrap around by 255, so every code stays within 1..255.
// Yields to the window after every character when a yield is given.
QString ScrambleText(const QString& text, const QString& key, const Yield& yield = {});
// The inverse of ScrambleText for texts of codes 1..255.
QString UnscrambleText(const QString& text, const QString& key, const Yield& yield = {});

} // namespace vt
