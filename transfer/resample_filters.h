// Tables of the resampling filters: two taps per destination pixel for the linear filter,
// and per source pixel the destination pixels its tent reaches for the triangle filter.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "codecs/pixel_codec.h"

struct LinearTap {
    std::int32_t index0;
    float weight0;
    std::int32_t index1;
    float weight1;  // 1 - weight0
};

// One LinearTap per destination index along one axis, in order.
using LinearTapTable = std::unique_ptr<LinearTap[]>;

// Taps for `destinationSize` pixels sampled from `sourceSize` pixels. Indices outside the
// source wrap around when `wrap` is nonzero and are clamped to the edge otherwise. Null when
// memory runs out or a size is 0. Runs with the floating-point rounding set toward zero.
LinearTapTable BuildLinearTaps(std::uint32_t destinationSize, std::uint32_t sourceSize, int wrap);

struct TriangleWeight {
    std::uint32_t index;  // destination index
    float weight;
};

// The weight lists of one axis, one per source index in order, kept in one block of
// TriangleWeight records: a header record whose index is the block's total size in bytes,
// then each list as a header record holding the list's size in bytes (header excluded)
// followed by its (index, weight) pairs in the order the source pixel's tent crosses them.
class TriangleWeightList {
public:
    // Walks the lists in source order.
    class Cursor {
    public:
        explicit Cursor(const TriangleWeight* first) : next(first) {}
        // The pairs of the next list, and their count.
        const TriangleWeight* Next(std::uint32_t* count) {
            *count = next->index / sizeof(TriangleWeight);
            const TriangleWeight* pairs = next + 1;
            next = pairs + *count;
            return pairs;
        }

    private:
        const TriangleWeight* next;
    };

    TriangleWeightList(std::unique_ptr<TriangleWeight[]> block, std::uint32_t listCount)
        : block(std::move(block)), listCount(listCount) {}

    Cursor Lists() const { return Cursor(block.get() + 1); }
    std::uint32_t TotalBytes() const { return block[0].index; }
    std::uint32_t ListCount() const { return listCount; }

private:
    std::unique_ptr<TriangleWeight[]> block;
    std::uint32_t listCount;
};

// Weight lists for resampling `sourceSize` pixels to `destinationSize` with a tent of two
// source pixels' width; the edges wrap when `wrap` is nonzero and are clamped otherwise.
// Null when either size is 0 or memory runs out.
std::unique_ptr<TriangleWeightList> BuildTriangleWeights(std::uint32_t sourceSize, std::uint32_t destinationSize,
                                                         int wrap);

// One destination row (2D) or slice (3D) being accumulated by the triangle filter.
struct RowAccumulator {
    ColorF* row = nullptr;            // null until first needed
    RowAccumulator* next = nullptr;   // free-list link
    std::uint32_t pending = 0;        // source rows (or slices) still to contribute
};
