#include "texture/pixel_format.h"

#include "codecs/private_formats.h"
#include "platform/debug_mute.h"

namespace {

constexpr std::uint32_t RGB = PIXEL_KIND_RGB;
constexpr std::uint32_t PAL = PIXEL_KIND_PALETTE;
constexpr std::uint32_t LUM = PIXEL_KIND_LUMINANCE;
constexpr std::uint32_t SGN = PIXEL_KIND_SIGNED;
constexpr std::uint32_t DEP = PIXEL_KIND_DEPTH;

}  // namespace

// clang-format off
const PixelFormatDesc PIXEL_FORMATS[PIXEL_FORMAT_COUNT] = {
    // format                 kind bits other alpha red green blue selectable
    {D3DFMT_R8G8B8,           RGB, 24,  0,  0,  8,  8,  8, 0},
    {D3DFMT_A8R8G8B8,         RGB, 32,  0,  8,  8,  8,  8, 1},
    {D3DFMT_X8R8G8B8,         RGB, 32,  0,  0,  8,  8,  8, 1},
    {D3DFMT_R5G6B5,           RGB, 16,  0,  0,  5,  6,  5, 1},
    {D3DFMT_X1R5G5B5,         RGB, 16,  0,  0,  5,  5,  5, 1},
    {D3DFMT_A8P8,             PAL, 16,  0,  8,  8,  8,  8, 1},
    {D3DFMT_P8,               PAL,  8,  0,  8,  8,  8,  8, 1},
    {D3DFMT_A1R5G5B5,         RGB, 16,  0,  1,  5,  5,  5, 1},
    {D3DFMT_A4R4G4B4,         RGB, 16,  0,  4,  4,  4,  4, 1},
    {D3DFMT_R3G3B2,           RGB,  8,  0,  0,  3,  3,  2, 1},
    {D3DFMT_A8,               RGB,  8,  0,  8,  0,  0,  0, 1},
    {D3DFMT_A8R3G3B2,         RGB, 16,  0,  8,  3,  3,  2, 1},
    {D3DFMT_X4R4G4B4,         RGB, 16,  0,  0,  4,  4,  4, 1},
    {D3DFMT_A2B10G10R10,      RGB, 32,  0,  2, 10, 10, 10, 1},
    {D3DFMT_G16R16,           RGB, 32,  0,  0, 16, 16,  0, 1},
    {D3DFMT_L8,               LUM,  8,  0,  0,  8,  8,  8, 1},
    {D3DFMT_A8L8,             LUM, 16,  0,  8,  8,  8,  8, 1},
    {D3DFMT_A4L4,             LUM,  8,  0,  4,  4,  4,  4, 1},
    {D3DFMT_V8U8,             SGN, 16,  0,  0,  0,  8,  8, 1},
    {D3DFMT_L6V5U5,           SGN, 16,  6,  0,  0,  5,  5, 1},
    {D3DFMT_X8L8V8U8,         SGN, 32,  8,  0,  0,  8,  8, 1},
    {D3DFMT_Q8W8V8U8,         SGN, 32,  0,  8,  8,  8,  8, 1},
    {D3DFMT_V16U16,           SGN, 32,  0,  0,  0, 16, 16, 1},
    {D3DFMT_W11V11U10,        SGN, 32,  0,  0, 11, 11, 10, 1},
    {D3DFMT_A2W10V10U10,      SGN, 32,  2,  0, 10, 10, 10, 1},
    {D3DFMT_UYVY,             RGB, 16,  0,  0,  8,  8,  8, 0},
    {D3DFMT_YUY2,             RGB, 16,  0,  0,  8,  8,  8, 0},
    {D3DFMT_DXT1,             RGB, 16,  0,  1,  5,  6,  5, 0},
    {D3DFMT_DXT2,             RGB, 16,  0,  4,  5,  6,  5, 0},
    {D3DFMT_DXT3,             RGB, 16,  0,  4,  5,  6,  5, 0},
    {D3DFMT_DXT4,             RGB, 16,  0,  8,  5,  6,  5, 0},
    {D3DFMT_DXT5,             RGB, 16,  0,  8,  5,  6,  5, 0},
    {D3DFMT_D16_LOCKABLE,     DEP, 16,  1,  0,  0,  0, 16, 1},
    {D3DFMT_D32,              DEP, 32,  0,  0,  0,  0, 32, 1},
    {D3DFMT_D15S1,            DEP, 16,  0,  0,  0,  1, 15, 1},
    {D3DFMT_D24S8,            DEP, 32,  0,  0,  0,  8, 24, 1},
    {D3DFMT_D16,              DEP, 16,  0,  0,  0,  0, 16, 1},
    {D3DFMT_D24X8,            DEP, 32,  0,  0,  0,  0, 24, 1},
    {D3DFMT_D24X4S4,          DEP, 32,  0,  0,  0,  4, 24, 1},
    {D3DFMT_L16_PRIVATE,      LUM, 16,  0,  0, 16, 16, 16, 0},
    {D3DFMT_AL16_PRIVATE,     LUM, 32,  0, 16, 16, 16, 16, 0},
    {D3DFMT_R16_PRIVATE,      RGB, 48,  0,  0, 16, 16, 16, 0},
    {D3DFMT_AR16_PRIVATE,     RGB, 64,  0, 16, 16, 16, 16, 0},
};
// clang-format on

const PixelFormatDesc FALLBACK_PIXEL_FORMAT = {D3DFMT_UNKNOWN, RGB, 32, 0, 8, 8, 8, 8, 0};

// Palette and luminance images may become colour textures, never the reverse.
const std::uint8_t KindCompatibility[5][5] = {
    {1, 0, 0, 0, 0},  // RGB
    {1, 1, 0, 0, 0},  // PALETTE
    {1, 0, 1, 0, 0},  // LUMINANCE
    {0, 0, 0, 1, 0},  // SIGNED
    {0, 0, 0, 0, 1},  // DEPTH
};

const PixelFormatDesc* FindPixelFormatDesc(D3DFORMAT format) {
    for (const PixelFormatDesc& row : PIXEL_FORMATS) {
        if (row.format == static_cast<std::uint32_t>(format)) return &row;
    }
    return &FALLBACK_PIXEL_FORMAT;
}

std::uint32_t FormatConversionCost(const PixelFormatDesc* wanted, const PixelFormatDesc* candidate) {
    if (wanted->kind > PIXEL_KIND_DEPTH || candidate->kind > PIXEL_KIND_DEPTH ||
        !KindCompatibility[wanted->kind][candidate->kind]) {
        return FORMAT_COST_IMPOSSIBLE;
    }
    const std::uint32_t wantedBits[5] = {wanted->otherBits, wanted->alphaBits, wanted->redBits,
                                         wanted->greenBits, wanted->blueBits};
    const std::uint32_t candidateBits[5] = {candidate->otherBits, candidate->alphaBits, candidate->redBits,
                                            candidate->greenBits, candidate->blueBits};
    // Losing a channel outweighs losing precision, which outweighs adding a channel, which
    // outweighs spare precision.
    std::uint32_t cost = 0;
    std::uint32_t present = 0;
    for (int i = 0; i < 5; ++i) {
        const std::uint32_t a = wantedBits[i];
        const std::uint32_t b = candidateBits[i];
        if (a > 0) ++present;
        if (a < b) cost += a == 0 ? 0x100u : b - a;
        if (b < a) cost += b == 0 ? 0x1000000u : (a - b) << 16;
    }
    // Every channel the wanted format has would be lost.
    if (present == cost >> 24) return FORMAT_COST_IMPOSSIBLE;
    return cost;
}

D3DFORMAT PickDeviceFormat(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE resourceType,
                           const PixelFormatDesc* wanted) {
    // Unsupported formats are probed on purpose: keep the debug runtime quiet meanwhile.
    MuteDebugRuntime(1);

    IDirect3D8* d3d = nullptr;
    D3DCAPS8 caps = {};
    D3DDISPLAYMODE mode = {};
    if (device != nullptr) {
        device->GetDirect3D(&d3d);
        device->GetDeviceCaps(&caps);
        device->GetDisplayMode(&mode);
    }

    const PixelFormatDesc* answer = nullptr;
    const PixelFormatDesc* best = &FALLBACK_PIXEL_FORMAT;
    std::uint32_t bestCost = FORMAT_COST_IMPOSSIBLE;
    for (const PixelFormatDesc& row : PIXEL_FORMATS) {
        if (row.format == D3DFMT_UNKNOWN) continue;
        if (device != nullptr) {
            // A device whose Direct3D object cannot be had supports nothing.
            if (d3d == nullptr) continue;
            const HRESULT supported = d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format,
                                                             usage, resourceType,
                                                             static_cast<D3DFORMAT>(row.format));
            if (FAILED(supported)) continue;
        }
        if (row.format == wanted->format) {
            answer = &row;
            break;
        }
        if (!row.selectable) continue;
        const std::uint32_t cost = FormatConversionCost(wanted, &row);
        if (cost == FORMAT_COST_IMPOSSIBLE) continue;
        if (cost < bestCost || (cost == bestCost && row.bitsPerPixel < best->bitsPerPixel)) {
            best = &row;
            bestCost = cost;
        }
    }

    if (d3d != nullptr) d3d->Release();
    MuteDebugRuntime(0);
    return static_cast<D3DFORMAT>(answer != nullptr ? answer->format : best->format);
}

D3DFORMAT PickStorageFormat(D3DFORMAT format) {
    switch (static_cast<std::uint32_t>(format)) {
        case D3DFMT_L16_PRIVATE: return D3DFMT_L8;
        case D3DFMT_AL16_PRIVATE: return D3DFMT_A8L8;
        case D3DFMT_R16_PRIVATE: return D3DFMT_R8G8B8;
        case D3DFMT_AR16_PRIVATE: return D3DFMT_A8R8G8B8;
        default: return format;
    }
}
