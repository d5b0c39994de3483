// The blitter: converts the pixels of one PixelRegion into another through two codecs,
// offering the job to an ordered chain of strategies until one of them does it.
#pragma once

#include <cstdint>

#include "codecs/pixel_codec.h"
#include "codecs/pixel_region.h"
#include "transfer/filters.h"

class PixelBlitter {
public:
    PixelBlitter() = default;
    ~PixelBlitter();
    PixelBlitter(const PixelBlitter&) = delete;
    PixelBlitter& operator=(const PixelBlitter&) = delete;

    // Converts `source` into `destination` with `filter` (selector and flags). Sets the
    // destination's `dither`. S_OK, D3DERR_INVALIDCALL for an invalid filter, E_FAIL when a
    // format has no codec or no strategy completes, or the failure of PairCodecs.
    HRESULT Transfer(PixelRegion& destination, PixelRegion& source, std::uint32_t filter);

    // The strategies, in the order of the chain. Each returns 0 when it did the job and a
    // negative value when it declined or failed.
    HRESULT SameFormatCopy();
    HRESULT RowConversion();
    HRESULT UnfilteredPlacement();
    HRESULT PointResample();
    HRESULT BoxHalve2D();
    HRESULT BoxHalve3D();
    HRESULT LinearResample2D();
    HRESULT LinearResample3D();
    HRESULT TriangleResample2D();
    HRESULT TriangleResample3D();
    // Raw copy of whole 4 x 4 blocks, for SameFormatCopy of the DXT formats.
    HRESULT BlockCopy();

    // The name of the strategy that did the last Transfer's work, or null when none did
    // (an empty destination needs none). Lets callers and tests see the path taken.
    const char* CompletedStrategy() const { return completedStrategy; }
    // True when the last BoxHalve2D ran one of the packed fast routines.
    bool UsedFastBoxRoutine() const { return usedFastBoxRoutine; }

    PixelCodec* destinationCodec = nullptr;
    PixelCodec* sourceCodec = nullptr;
    std::uint32_t filter = 0;

private:
    void DestroyCodecs();
    std::uint32_t Selector() const { return filter & 0xFF; }
    bool EqualSizes() const;

    const char* completedStrategy = nullptr;
    bool usedFastBoxRoutine = false;
};

// One entry of the strategy chain.
struct BlitStrategy {
    const char* name;
    HRESULT (PixelBlitter::*run)();
};

// The chain, in the order the blitter offers a job.
extern const BlitStrategy BlitStrategyChain[10];
