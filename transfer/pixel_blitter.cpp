#include "transfer/pixel_blitter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "transfer/color_rows.h"

const BlitStrategy BlitStrategyChain[10] = {
    {"SameFormatCopy", &PixelBlitter::SameFormatCopy},
    {"RowConversion", &PixelBlitter::RowConversion},
    {"UnfilteredPlacement", &PixelBlitter::UnfilteredPlacement},
    {"PointResample", &PixelBlitter::PointResample},
    {"BoxHalve2D", &PixelBlitter::BoxHalve2D},
    {"BoxHalve3D", &PixelBlitter::BoxHalve3D},
    {"LinearResample2D", &PixelBlitter::LinearResample2D},
    {"LinearResample3D", &PixelBlitter::LinearResample3D},
    {"TriangleResample2D", &PixelBlitter::TriangleResample2D},
    {"TriangleResample3D", &PixelBlitter::TriangleResample3D},
};

namespace {

constexpr std::uint32_t FILTER_INVALID_BITS = 0xFFF00000u;

bool IsEmpty(const PixelCodec& codec) { return codec.width == 0 || codec.height == 0 || codec.depth == 0; }

}  // namespace

PixelBlitter::~PixelBlitter() { DestroyCodecs(); }

void PixelBlitter::DestroyCodecs() {
    // The destination goes first: the YUV codec writes its last row back when destroyed,
    // while the caller still holds the destination locked.
    delete destinationCodec;
    destinationCodec = nullptr;
    delete sourceCodec;
    sourceCodec = nullptr;
}

bool PixelBlitter::EqualSizes() const {
    return destinationCodec->width == sourceCodec->width && destinationCodec->height == sourceCodec->height &&
           destinationCodec->depth == sourceCodec->depth;
}

HRESULT PixelBlitter::Transfer(PixelRegion& destination, PixelRegion& source, std::uint32_t filterValue) {
    DestroyCodecs();
    filter = filterValue;
    completedStrategy = nullptr;
    usedFastBoxRoutine = false;

    const std::uint32_t selector = filter & 0xFFFF;
    if (selector < FILTER_NONE || selector > FILTER_BOX || (filter & FILTER_INVALID_BITS) != 0)
        return D3DERR_INVALIDCALL;

    destination.dither = filter & FILTER_DITHER;
    destinationCodec = MakePixelCodec(destination);
    sourceCodec = destinationCodec ? MakePixelCodec(source) : nullptr;
    HRESULT result = E_FAIL;
    if (destinationCodec && sourceCodec) {
        result = PairCodecs(*destinationCodec, *sourceCodec);
        if (SUCCEEDED(result)) {
            if (IsEmpty(*destinationCodec)) {
                // Nothing to write. Every strategy would otherwise divide or scale by zero.
                result = S_OK;
            } else {
                result = E_FAIL;
                for (const BlitStrategy& strategy : BlitStrategyChain) {
                    if ((this->*strategy.run)() >= 0) {
                        completedStrategy = strategy.name;
                        result = S_OK;
                        break;
                    }
                }
            }
        }
    }
    DestroyCodecs();
    return result;
}

HRESULT PixelBlitter::SameFormatCopy() {
    PixelCodec& dst = *destinationCodec;
    const PixelCodec& src = *sourceCodec;
    if (dst.format != src.format || src.colorKey != 0 || !EqualSizes()) return E_FAIL;
    if (!src.isPacked) return BlockCopy();
    if (src.isPalettised && std::memcmp(dst.palette, src.palette, sizeof dst.palette) != 0) return E_FAIL;

    for (std::uint32_t z = 0; z < src.depth; ++z) {
        for (std::uint32_t y = 0; y < src.height; ++y) {
            BYTE* to = dst.pixels + std::size_t(y) * dst.rowPitch + std::size_t(z) * dst.slicePitch;
            const BYTE* from = src.pixels + std::size_t(y) * src.rowPitch + std::size_t(z) * src.slicePitch;
            std::memmove(to, from, src.rowBytes);
        }
    }
    return S_OK;
}

HRESULT PixelBlitter::BlockCopy() {
    PixelCodec& dst = *destinationCodec;
    const PixelCodec& src = *sourceCodec;
    std::uint32_t blockBytes = 0;
    if (src.format == D3DFMT_DXT1)
        blockBytes = 8;
    else if (src.format == D3DFMT_DXT2 || src.format == D3DFMT_DXT3 || src.format == D3DFMT_DXT4 ||
             src.format == D3DFMT_DXT5)
        blockBytes = 16;
    else
        return E_FAIL;
    for (const D3DBOX* box : {static_cast<const D3DBOX*>(&dst.box), static_cast<const D3DBOX*>(&src.box)}) {
        if ((box->Left | box->Top | box->Right | box->Bottom) & 3) return E_FAIL;
    }

    BYTE* toSlice = dst.pixels + std::size_t(dst.box.Top / 4) * dst.rowPitch +
                    std::size_t(dst.box.Front) * dst.slicePitch + std::size_t(dst.box.Left / 4) * blockBytes;
    const BYTE* fromSlice = src.pixels + std::size_t(src.box.Top / 4) * src.rowPitch +
                            std::size_t(src.box.Front) * src.slicePitch + std::size_t(src.box.Left / 4) * blockBytes;
    const std::size_t rowBytes = std::size_t(src.width / 4) * blockBytes;
    for (std::uint32_t z = 0; z < src.depth; ++z) {
        BYTE* to = toSlice;
        const BYTE* from = fromSlice;
        for (std::uint32_t blockRow = 0; blockRow < src.height / 4; ++blockRow) {
            std::memmove(to, from, rowBytes);
            to += dst.rowPitch;
            from += src.rowPitch;
        }
        toSlice += dst.slicePitch;
        fromSlice += src.slicePitch;
    }
    return S_OK;
}

HRESULT PixelBlitter::RowConversion() {
    if (!EqualSizes()) return E_FAIL;
    ColorRow row = AllocateColorRow(sourceCodec->width);
    if (!row) return E_FAIL;
    for (std::uint32_t z = 0; z < sourceCodec->depth; ++z) {
        for (std::uint32_t y = 0; y < sourceCodec->height; ++y) {
            sourceCodec->DecodeRow(y, z, row.get());
            destinationCodec->EncodeRow(y, z, row.get());
        }
    }
    return S_OK;
}

HRESULT PixelBlitter::UnfilteredPlacement() {
    if (Selector() != FILTER_NONE) return E_FAIL;
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    const std::uint32_t width = std::max(dst.width, src.width);
    const std::uint32_t height = std::min(dst.height, src.height);
    const std::uint32_t depth = std::min(dst.depth, src.depth);
    ColorRow placed = AllocateColorRow(width);
    ColorRow blank = AllocateColorRow(dst.width);
    if (!placed || !blank) return E_FAIL;

    for (std::uint32_t z = 0; z < depth; ++z) {
        // The source writes only its own width, so the tail of `placed` stays transparent black.
        for (std::uint32_t y = 0; y < height; ++y) {
            src.DecodeRow(y, z, placed.get());
            dst.EncodeRow(y, z, placed.get());
        }
        for (std::uint32_t y = height; y < dst.height; ++y) dst.EncodeRow(y, z, blank.get());
    }
    for (std::uint32_t z = depth; z < dst.depth; ++z) {
        for (std::uint32_t y = 0; y < dst.height; ++y) dst.EncodeRow(y, z, blank.get());
    }
    return S_OK;
}

HRESULT PixelBlitter::PointResample() {
    if (Selector() != FILTER_POINT) return E_FAIL;
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    // A source with nothing in it has no pixel to sample.
    if (IsEmpty(src)) return E_FAIL;
    ColorRow sourceRow = AllocateColorRow(src.width);
    ColorRow destinationRow = AllocateColorRow(dst.width);
    if (!sourceRow || !destinationRow) return E_OUTOFMEMORY;

    // 16.16 fixed point, held in 64 bits so that sizes of 65536 and more neither overflow
    // the step nor the accumulated position. Below that size the results are those of
    // 32-bit arithmetic.
    const std::uint64_t xStep = (std::uint64_t(src.width) << 16) / dst.width;
    const std::uint64_t yStep = (std::uint64_t(src.height) << 16) / dst.height;
    const std::uint64_t zStep = (std::uint64_t(src.depth) << 16) / dst.depth;
    constexpr std::uint64_t NO_ROW = ~std::uint64_t(0);

    std::uint64_t zPos = 0;
    for (std::uint32_t z = 0; z < dst.depth; ++z) {
        std::uint64_t cached = NO_ROW;
        std::uint64_t yPos = 0;
        for (std::uint32_t y = 0; y < dst.height; ++y) {
            if ((yPos >> 16) != (cached >> 16)) {
                src.DecodeRow(std::uint32_t(yPos >> 16), std::uint32_t(zPos >> 16), sourceRow.get());
                cached = yPos;
            }
            std::uint64_t xPos = 0;
            for (std::uint32_t x = 0; x < dst.width; ++x) {
                destinationRow[x] = sourceRow[xPos >> 16];
                xPos += xStep;
            }
            dst.EncodeRow(y, z, destinationRow.get());
            yPos += yStep;
        }
        zPos += zStep;
    }
    return S_OK;
}
