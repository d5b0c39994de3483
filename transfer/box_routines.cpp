#include "transfer/box_routines.h"

#include <cstdint>
#include <cstring>

#include "math/processor_features.h"

namespace {

template <typename Pixel>
inline Pixel Load(const BYTE* at) {
    Pixel value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename Pixel>
inline void Store(BYTE* at, Pixel value) {
    std::memcpy(at, &value, sizeof value);
}

// Walks the source two rows at a time, two pixels from the upper row and two from the row
// below, and writes one destination pixel per square through `average`.
template <typename Pixel, typename Average>
inline void HalveSquares(BYTE* destination, UINT destinationPitch, const BYTE* source, UINT sourcePitch, UINT width,
                         UINT height, Average average) {
    for (UINT i = 0; i < height / 2; ++i) {
        const BYTE* upper = source;
        const BYTE* lower = source + sourcePitch;
        BYTE* out = destination;
        for (UINT j = 0; j < width / 2; ++j) {
            const std::uint32_t p0 = Load<Pixel>(upper);
            const std::uint32_t p1 = Load<Pixel>(upper + sizeof(Pixel));
            const std::uint32_t p2 = Load<Pixel>(lower);
            const std::uint32_t p3 = Load<Pixel>(lower + sizeof(Pixel));
            Store<Pixel>(out, Pixel(average(p0, p1, p2, p3)));
            upper += 2 * sizeof(Pixel);
            lower += 2 * sizeof(Pixel);
            out += sizeof(Pixel);
        }
        source += 2 * std::size_t(sourcePitch);
        destination += destinationPitch;
    }
}

// Two groups of channels, each with two free bits above every channel for the carries of
// a sum of four: mask, add, round, shift, mask, merge. Bits in neither mask come out 0.
template <typename Pixel, std::uint32_t Mask1, std::uint32_t Round1, std::uint32_t Mask2, std::uint32_t Round2>
HRESULT HalvePacked(BYTE* destination, UINT destinationPitch, const BYTE* source, UINT sourcePitch, UINT width,
                    UINT height) {
    HalveSquares<Pixel>(destination, destinationPitch, source, sourcePitch, width, height,
                        [](std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
                            const std::uint32_t group1 =
                                (((p0 & Mask1) + (p1 & Mask1) + (p2 & Mask1) + (p3 & Mask1) + Round1) >> 2) & Mask1;
                            const std::uint32_t group2 =
                                (((p0 & Mask2) + (p1 & Mask2) + (p2 & Mask2) + (p3 & Mask2) + Round2) >> 2) & Mask2;
                            return group1 | group2;
                        });
    return S_OK;
}

constexpr std::uint32_t RED_BLUE_8 = 0x00FF00FF;
constexpr std::uint32_t RED_BLUE_8_ROUND = 0x00020002;

inline std::uint32_t AverageRedBlue8(std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
    return (((p0 & RED_BLUE_8) + (p1 & RED_BLUE_8) + (p2 & RED_BLUE_8) + (p3 & RED_BLUE_8) + RED_BLUE_8_ROUND) >> 2) &
           RED_BLUE_8;
}

HRESULT SelectA8R8G8B8(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT SelectX8R8G8B8(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);

// Stores the routines chosen for this process in both entries.
void SelectBoxRoutines() {
#if defined(ORBIQUE_HAS_MMX_BOX_ROUTINE)
    if (IsMmxEnabled()) {
        BoxRoutineTable[0] = BoxHalveMmx32;
        BoxRoutineTable[1] = BoxHalveMmx32;
        return;
    }
#endif
    BoxRoutineTable[0] = BoxHalveA8R8G8B8;
    BoxRoutineTable[1] = BoxHalveX8R8G8B8;
}

HRESULT SelectA8R8G8B8(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) {
    SelectBoxRoutines();
    return BoxRoutineTable[0](d, dp, s, sp, w, h);
}

HRESULT SelectX8R8G8B8(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) {
    SelectBoxRoutines();
    return BoxRoutineTable[1](d, dp, s, sp, w, h);
}

// Which routine serves which format; the two 32-bit formats go through the table.
struct BoxRoutineEntry {
    D3DFORMAT format;
    BoxRoutine routine;  // null: through BoxRoutineTable[tableEntry]
    int tableEntry;
};

const BoxRoutineEntry BoxRoutines[] = {
    {D3DFMT_A8R8G8B8, nullptr, 0},
    {D3DFMT_X8R8G8B8, nullptr, 1},
    {D3DFMT_R5G6B5, BoxHalveR5G6B5, -1},
    {D3DFMT_X1R5G5B5, BoxHalveX1R5G5B5, -1},
    {D3DFMT_A1R5G5B5, BoxHalveA1R5G5B5, -1},
    {D3DFMT_A4R4G4B4, BoxHalveA4R4G4B4, -1},
    {D3DFMT_X4R4G4B4, BoxHalveX4R4G4B4, -1},
    {D3DFMT_R3G3B2, BoxHalveR3G3B2, -1},
    {D3DFMT_A8R3G3B2, BoxHalveA8R3G3B2, -1},
    {D3DFMT_A8, BoxHalveA8, -1},
    {D3DFMT_L8, BoxHalveA8, -1},
    {D3DFMT_A8L8, BoxHalveA8L8, -1},
    {D3DFMT_A4L4, BoxHalveA4L4, -1},
};

}  // namespace

BoxRoutine BoxRoutineTable[2] = {SelectA8R8G8B8, SelectX8R8G8B8};

void ResetBoxRoutineTable() {
    BoxRoutineTable[0] = SelectA8R8G8B8;
    BoxRoutineTable[1] = SelectX8R8G8B8;
}

BoxRoutine FindBoxRoutine(D3DFORMAT format) {
    for (const BoxRoutineEntry& entry : BoxRoutines) {
        if (entry.format == format) return entry.routine ? entry.routine : BoxRoutineTable[entry.tableEntry];
    }
    return nullptr;
}

HRESULT BoxHalveA8R8G8B8(BYTE* destination, UINT destinationPitch, const BYTE* source, UINT sourcePitch, UINT width,
                         UINT height) {
    HalveSquares<std::uint32_t>(
        destination, destinationPitch, source, sourcePitch, width, height,
        [](std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
            // Pre-shifted by 2, each term is alpha x 2^22 + green x 2^6: the sum of four
            // alphas plus rounding stays below 2^32.
            constexpr std::uint32_t ALPHA_GREEN = 0xFFC03FC0;
            const std::uint32_t alphaGreen = ((p0 >> 2) & ALPHA_GREEN) + ((p1 >> 2) & ALPHA_GREEN) +
                                             ((p2 >> 2) & ALPHA_GREEN) + ((p3 >> 2) & ALPHA_GREEN) + 0x00800080;
            return (alphaGreen & 0xFF00FF00) | AverageRedBlue8(p0, p1, p2, p3);
        });
    return S_OK;
}

HRESULT BoxHalveX8R8G8B8(BYTE* destination, UINT destinationPitch, const BYTE* source, UINT sourcePitch, UINT width,
                         UINT height) {
    HalveSquares<std::uint32_t>(destination, destinationPitch, source, sourcePitch, width, height,
                                [](std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
                                    constexpr std::uint32_t GREEN = 0x0000FF00;
                                    const std::uint32_t green =
                                        (((p0 & GREEN) + (p1 & GREEN) + (p2 & GREEN) + (p3 & GREEN) + 0x200) >> 2) &
                                        GREEN;
                                    return green | AverageRedBlue8(p0, p1, p2, p3);
                                });
    return S_OK;
}

// clang-format off
HRESULT BoxHalveR5G6B5(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0xF81F, 0x1002, 0x07E0, 0x40>(d, dp, s, sp, w, h); }
HRESULT BoxHalveX1R5G5B5(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0x7C1F, 0x802, 0x03E0, 0x40>(d, dp, s, sp, w, h); }
HRESULT BoxHalveA1R5G5B5(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0x7C1F, 0x802, 0x83E0, 0x10040>(d, dp, s, sp, w, h); }
HRESULT BoxHalveA4R4G4B4(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0x0F0F, 0x202, 0xF0F0, 0x2020>(d, dp, s, sp, w, h); }
HRESULT BoxHalveX4R4G4B4(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0x0F0F, 0x202, 0x00F0, 0x20>(d, dp, s, sp, w, h); }
HRESULT BoxHalveR3G3B2(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint8_t, 0xE3, 0x42, 0x1C, 0x8>(d, dp, s, sp, w, h); }
HRESULT BoxHalveA8R3G3B2(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0xE3, 0x42, 0xFF1C, 0x208>(d, dp, s, sp, w, h); }
HRESULT BoxHalveA8(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint8_t, 0xFF, 2, 0, 0>(d, dp, s, sp, w, h); }
HRESULT BoxHalveA8L8(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint16_t, 0x00FF, 2, 0xFF00, 0x200>(d, dp, s, sp, w, h); }
HRESULT BoxHalveA4L4(BYTE* d, UINT dp, const BYTE* s, UINT sp, UINT w, UINT h) { return HalvePacked<std::uint8_t, 0x0F, 2, 0xF0, 0x20>(d, dp, s, sp, w, h); }
// clang-format on
