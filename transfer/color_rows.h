// Rows of ColorF for the strategies: allocated without throwing, zeroed, freed on scope exit.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

#include "codecs/pixel_codec.h"

using ColorRow = std::unique_ptr<ColorF[]>;

// A zeroed row of `count` pixels (at least one, so that an empty row is still a valid
// pointer), or null when memory runs out.
inline ColorRow AllocateColorRow(std::size_t count) {
    return ColorRow(new (std::nothrow) ColorF[count ? count : 1]());
}
