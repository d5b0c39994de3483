// Filter values of the conversions: a selector in the low 16 bits and flags above it.
#pragma once

#include <cstdint>

constexpr std::uint32_t FILTER_NONE = 1;
constexpr std::uint32_t FILTER_POINT = 2;
constexpr std::uint32_t FILTER_LINEAR = 3;
constexpr std::uint32_t FILTER_TRIANGLE = 4;
constexpr std::uint32_t FILTER_BOX = 5;
constexpr std::uint32_t FILTER_MIRROR_U = 0x10000;
constexpr std::uint32_t FILTER_MIRROR_V = 0x20000;
constexpr std::uint32_t FILTER_MIRROR_W = 0x40000;
constexpr std::uint32_t FILTER_MIRROR = FILTER_MIRROR_U | FILTER_MIRROR_V | FILTER_MIRROR_W;
constexpr std::uint32_t FILTER_DITHER = 0x80000;
// -1: the receiving operation's default.
constexpr std::uint32_t FILTER_DEFAULT = 0xFFFFFFFFu;
