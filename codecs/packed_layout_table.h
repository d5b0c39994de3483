// The table of every regular packed format, one row each: where r, g, b and a live in the
// pixel. The scalar row kernels read it at run time; the SSE2 kernels are generated from it
// at compile time.
#pragma once

#include "codecs/packed_layout.h"

namespace packed_layout_table {

constexpr PackedField U(std::uint8_t shift, std::uint8_t bits) { return PackedField{shift, bits, false}; }
constexpr PackedField S(std::uint8_t shift, std::uint8_t bits) { return PackedField{shift, bits, true}; }
constexpr PackedField NONE{};

// r, g, b, a; `constant` is what a channel without a field decodes to.
inline constexpr PackedLayout LAYOUTS[] = {
    {D3DFMT_R8G8B8, 24, DOMAIN_UNSIGNED, false, {U(16, 8), U(8, 8), U(0, 8), NONE}, {0, 0, 0, 1}},
    {D3DFMT_A8R8G8B8, 32, DOMAIN_UNSIGNED, false, {U(16, 8), U(8, 8), U(0, 8), U(24, 8)}, {0, 0, 0, 0}},
    {D3DFMT_X8R8G8B8, 32, DOMAIN_UNSIGNED, false, {U(16, 8), U(8, 8), U(0, 8), NONE}, {0, 0, 0, 1}},
    {D3DFMT_R5G6B5, 16, DOMAIN_UNSIGNED, false, {U(11, 5), U(5, 6), U(0, 5), NONE}, {0, 0, 0, 1}},
    {D3DFMT_X1R5G5B5, 16, DOMAIN_UNSIGNED, false, {U(10, 5), U(5, 5), U(0, 5), NONE}, {0, 0, 0, 1}},
    {D3DFMT_A1R5G5B5, 16, DOMAIN_UNSIGNED, false, {U(10, 5), U(5, 5), U(0, 5), U(15, 1)}, {0, 0, 0, 0}},
    {D3DFMT_A4R4G4B4, 16, DOMAIN_UNSIGNED, false, {U(8, 4), U(4, 4), U(0, 4), U(12, 4)}, {0, 0, 0, 0}},
    {D3DFMT_R3G3B2, 8, DOMAIN_UNSIGNED, false, {U(5, 3), U(2, 3), U(0, 2), NONE}, {0, 0, 0, 1}},
    {D3DFMT_A8, 8, DOMAIN_UNSIGNED, false, {NONE, NONE, NONE, U(0, 8)}, {0, 0, 0, 0}},
    {D3DFMT_A8R3G3B2, 16, DOMAIN_UNSIGNED, false, {U(5, 3), U(2, 3), U(0, 2), U(8, 8)}, {0, 0, 0, 0}},
    {D3DFMT_X4R4G4B4, 16, DOMAIN_UNSIGNED, false, {U(8, 4), U(4, 4), U(0, 4), NONE}, {0, 0, 0, 1}},
    {D3DFMT_A2B10G10R10, 32, DOMAIN_UNSIGNED, false, {U(0, 10), U(10, 10), U(20, 10), U(30, 2)}, {0, 0, 0, 0}},
    {D3DFMT_G16R16, 32, DOMAIN_UNSIGNED, false, {U(0, 16), U(16, 16), NONE, NONE}, {0, 0, 1, 1}},
    {D3DFMT_L8, 8, DOMAIN_UNSIGNED, true, {U(0, 8), NONE, NONE, NONE}, {0, 0, 0, 1}},
    {D3DFMT_A8L8, 16, DOMAIN_UNSIGNED, true, {U(0, 8), NONE, NONE, U(8, 8)}, {0, 0, 0, 0}},
    {D3DFMT_A4L4, 8, DOMAIN_UNSIGNED, true, {U(0, 4), NONE, NONE, U(4, 4)}, {0, 0, 0, 0}},
    {D3DFMT_V8U8, 16, DOMAIN_SIGNED_RGB, false, {S(0, 8), S(8, 8), NONE, NONE}, {0, 0, 0, 1}},
    {D3DFMT_L6V5U5, 16, DOMAIN_SIGNED_RGB, false, {S(0, 5), S(5, 5), NONE, U(10, 6)}, {0, 0, 0, 0}},
    {D3DFMT_X8L8V8U8, 32, DOMAIN_SIGNED_RGB, false, {S(0, 8), S(8, 8), NONE, U(16, 8)}, {0, 0, 0, 0}},
    {D3DFMT_Q8W8V8U8, 32, DOMAIN_SIGNED, false, {S(0, 8), S(8, 8), S(16, 8), S(24, 8)}, {0, 0, 0, 0}},
    {D3DFMT_V16U16, 32, DOMAIN_SIGNED_RGB, false, {S(0, 16), S(16, 16), NONE, NONE}, {0, 0, 0, 1}},
    {D3DFMT_W11V11U10, 32, DOMAIN_SIGNED_RGB, false, {S(0, 10), S(10, 11), S(21, 11), NONE}, {0, 0, 0, 1}},
    {D3DFMT_A2W10V10U10, 32, DOMAIN_SIGNED_RGB, false, {S(0, 10), S(10, 10), S(20, 10), U(30, 2)}, {0, 0, 0, 0}},
    {D3DFMT_D16_LOCKABLE, 16, DOMAIN_UNSIGNED, true, {U(0, 16), NONE, NONE, NONE}, {0, 0, 0, 1}},
    {D3DFMT_L16_PRIVATE, 16, DOMAIN_UNSIGNED, true, {U(0, 16), NONE, NONE, NONE}, {0, 0, 0, 1}},
    {D3DFMT_AL16_PRIVATE, 32, DOMAIN_UNSIGNED, true, {U(0, 16), NONE, NONE, U(16, 16)}, {0, 0, 0, 0}},
    {D3DFMT_R16_PRIVATE, 48, DOMAIN_UNSIGNED, false, {U(32, 16), U(16, 16), U(0, 16), NONE}, {0, 0, 0, 1}},
    {D3DFMT_AR16_PRIVATE, 64, DOMAIN_UNSIGNED, false, {U(32, 16), U(16, 16), U(0, 16), U(48, 16)}, {0, 0, 0, 0}},
};

}  // namespace packed_layout_table

inline constexpr const auto& PACKED_LAYOUTS = packed_layout_table::LAYOUTS;
