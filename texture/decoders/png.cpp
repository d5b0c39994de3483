// PNG files through libpng: every colour type and bit depth, 16-bit images into the private
// 16-bit-per-channel formats, palettes with their transparency and a gamma table of our own.
//
// libpng reports errors by jumping back to the recovery point in ReadWithLibpng. That
// function holds no object with a destructor, and everything it allocates lives in a
// PngReadState owned by its caller, which frees it on every path.
//
// Safety rules of this decoder:
// - the memory reader refuses (libpng's "read error") any request beyond the data;
// - rowPitch x height must fit in 32 bits, or the file is refused before allocation;
// - the palette is copied out of libpng before its own gamma pass corrects the palette in
//   place, so that colours are corrected once, by the decoder's table.
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "texture/decoded_image.h"
#include "texture/decoders/decoder_support.h"
#include "texture/decoders/decoder_test_controls.h"

namespace {

constexpr double SCREEN_GAMMA = 2.2;

decoder_test::PngAllocationCounts g_allocations = {0, 0};

png_voidp CountedMalloc(png_structp, png_alloc_size_t bytes) {
    void* block = std::malloc(bytes);
    if (block) {
        ++g_allocations.made;
        ++g_allocations.live;
    }
    return block;
}

void CountedFree(png_structp, png_voidp block) {
    if (block) {
        --g_allocations.live;
        std::free(block);
    }
}

struct ReadCursor {
    const BYTE* next;
    std::size_t remaining;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    ReadCursor* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (length > cursor->remaining) {
        png_error(png, "read error");
    }
    std::memcpy(out, cursor->next, length);
    cursor->next += length;
    cursor->remaining -= length;
}

[[noreturn]] void JumpBack(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void IgnoreWarning(png_structp, png_const_charp) {}

struct PngReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep* rows = nullptr;
    ReadCursor cursor = {nullptr, 0};
    // The file's palette and transparency, copied before libpng transforms them.
    png_color plte[256] = {};
    int plteCount = 0;
    png_byte trns[256] = {};
    int trnsCount = 0;
    double fileGamma = 0;
    double screenGamma = 0;
};

void BuildPalette(const PngReadState& state, PALETTEENTRY* palette) {
    BYTE gamma[256];
    if (state.fileGamma > 1e-6 && state.screenGamma > 1e-6) {
        const double e = 1.0 / (state.fileGamma * state.screenGamma);
        for (int i = 0; i < 256; ++i) {
            gamma[i] = static_cast<BYTE>(std::pow(i * (1.0 / 255), e) * 255 + 0.5);
        }
    } else {
        for (int i = 0; i < 256; ++i) {
            gamma[i] = static_cast<BYTE>(i);
        }
    }
    for (int i = 0; i < state.plteCount; ++i) {
        const png_color& c = state.plte[i];
        const BYTE alpha = i < state.trnsCount ? state.trns[i] : 0xFF;
        palette[i] = PALETTEENTRY{gamma[c.red], gamma[c.green], gamma[c.blue], alpha};
    }
    decoder_support::SetOpaqueWhite(palette, static_cast<unsigned>(state.plteCount));
}

unsigned ChannelsOf(D3DFORMAT format) {
    switch (static_cast<std::uint32_t>(format)) {
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_L16_PRIVATE: return 1;
    case D3DFMT_A8L8:
    case D3DFMT_AL16_PRIVATE: return 2;
    case D3DFMT_R16_PRIVATE: return 3;
    default: return 4;
    }
}

}  // namespace

namespace decoder_test {
PngAllocationCounts PngAllocations() { return g_allocations; }
}  // namespace decoder_test

// Everything between the recovery point and the end of decoding. Only plain data lives in
// this frame; whatever must outlive a jump is in `state` or in the record.
static HRESULT ReadWithLibpng(DecodedImage& image, PngReadState& state) {
    png_structp png = state.png;
    png_infop info = state.info;
    if (setjmp(png_jmpbuf(png))) {
        return E_FAIL;
    }

    // 4. Header.
    png_set_read_fn(png, &state.cursor, ReadFromMemory);
    png_read_info(png, info);
    png_uint_32 pngWidth = 0, pngHeight = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &pngWidth, &pngHeight, &bitDepth, &colorType, nullptr, nullptr, nullptr);

    png_colorp plte = nullptr;
    if (png_get_valid(png, info, PNG_INFO_PLTE) && png_get_PLTE(png, info, &plte, &state.plteCount)) {
        state.plteCount = state.plteCount > 256 ? 256 : state.plteCount;
        std::memcpy(state.plte, plte, sizeof(png_color) * state.plteCount);
    } else {
        state.plteCount = 0;
    }
    png_bytep trns = nullptr;
    if (png_get_valid(png, info, PNG_INFO_tRNS) &&
        png_get_tRNS(png, info, &trns, &state.trnsCount, nullptr) && trns) {
        state.trnsCount = state.trnsCount > 256 ? 256 : state.trnsCount;
        std::memcpy(state.trns, trns, state.trnsCount);
    } else {
        state.trnsCount = 0;
    }

    // 5. Format of the colour type.
    D3DFORMAT chosen;
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: chosen = D3DFMT_L8; break;
    case PNG_COLOR_TYPE_RGB: chosen = D3DFMT_R8G8B8; break;
    case PNG_COLOR_TYPE_PALETTE: chosen = D3DFMT_P8; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: chosen = D3DFMT_A8L8; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: chosen = D3DFMT_A8R8G8B8; break;
    default: return E_FAIL;
    }

    // 6. Sixteen-bit samples, little-endian, in the private formats.
    if (bitDepth == 16) {
        png_set_swap(png);
        switch (chosen) {
        case D3DFMT_R8G8B8: chosen = D3DFMT_R16_PRIVATE; break;
        case D3DFMT_A8R8G8B8: chosen = D3DFMT_AR16_PRIVATE; break;
        case D3DFMT_L8: chosen = D3DFMT_L16_PRIVATE; break;
        case D3DFMT_A8L8: chosen = D3DFMT_AL16_PRIVATE; break;
        default: return E_FAIL;
        }
    }

    // 7. One sample per byte; grey scaled up to 8 bits.
    if (bitDepth < 8) {
        png_set_packing(png);
        if (colorType == PNG_COLOR_TYPE_GRAY) {
            png_set_expand(png);
        }
    }

    // 8. Gamma.
    int intent = 0;
    double fileGamma = 0;
    if (png_get_sRGB(png, info, &intent)) {
        png_set_sRGB(png, info, intent);
    } else if (png_get_gAMA(png, info, &fileGamma)) {
        png_set_gamma(png, SCREEN_GAMMA, fileGamma);
        state.fileGamma = fileGamma;
        state.screenGamma = SCREEN_GAMMA;
    }

    // 9. Transparency becomes an alpha channel.
    if (chosen != D3DFMT_P8 && png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_expand(png);
        switch (static_cast<std::uint32_t>(chosen)) {
        case D3DFMT_R8G8B8: chosen = D3DFMT_A8R8G8B8; break;
        case D3DFMT_L8: chosen = D3DFMT_A8L8; break;
        case D3DFMT_L16_PRIVATE: chosen = D3DFMT_AL16_PRIVATE; break;
        case D3DFMT_R16_PRIVATE: chosen = D3DFMT_AR16_PRIVATE; break;
        default: break;
        }
    }

    // 10. Colour samples in blue, green, red order; an opaque fourth byte for plain RGB.
    if (chosen == D3DFMT_R8G8B8 || chosen == D3DFMT_A8R8G8B8 || chosen == D3DFMT_R16_PRIVATE ||
        chosen == D3DFMT_AR16_PRIVATE) {
        png_set_bgr(png);
    }
    if (chosen == D3DFMT_R8G8B8) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        chosen = D3DFMT_X8R8G8B8;
    }

    // 11. The transformed layout.
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != ChannelsOf(chosen)) {
        return E_FAIL;
    }

    // 12. The description.
    const std::uint64_t pitch = png_get_rowbytes(png, info);
    std::uint64_t bufferBytes;
    if (!decoder_support::MultiplyFits(pitch, pngHeight, &bufferBytes)) {
        return E_FAIL;
    }
    decoder_support::DescribeFlatImage(image, chosen, pngWidth, pngHeight, static_cast<UINT>(pitch));
    if (!image.loadPixels) {
        return S_OK;
    }

    // 13. The pixels.
    if (!decoder_support::AllocateOwnedPixels(image, bufferBytes)) {
        return E_OUTOFMEMORY;
    }
    state.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * pngHeight));
    if (!state.rows) {
        return E_OUTOFMEMORY;
    }
    for (png_uint_32 y = 0; y < pngHeight; ++y) {
        state.rows[y] = image.pixels + std::uint64_t{image.rowPitch} * y;
    }
    png_read_image(png, state.rows);

    // 14. The palette.
    if (chosen == D3DFMT_P8) {
        image.palette = decoder_support::AllocatePalette();
        if (!image.palette) {
            return E_OUTOFMEMORY;
        }
        image.ownsPalette = TRUE;
        BuildPalette(state, image.palette);
    }
    return S_OK;
}

HRESULT DecodedImage::DecodePng(const void* data, UINT size) {
    // 1. The signature, before libpng allocates anything.
    if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, size) != 0) {
        return E_FAIL;
    }
    // 2. libpng's structures.
    PngReadState state;
    state.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, IgnoreWarning, nullptr,
                                         CountedMalloc, CountedFree);
    if (!state.png) {
        return E_OUTOFMEMORY;
    }
    state.info = png_create_info_struct(state.png);
    HRESULT result = E_OUTOFMEMORY;
    if (state.info) {
        state.cursor = ReadCursor{static_cast<const BYTE*>(data), size};
        result = ReadWithLibpng(*this, state);
    }
    // 16. Every path gives libpng's memory and the row array back.
    png_destroy_read_struct(&state.png, state.info ? &state.info : nullptr, nullptr);
    std::free(state.rows);
    return result;
}
