// The linear and triangle tables, and the four strategies that resample with them.
#include "transfer/resample_filters.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "transfer/color_rows.h"
#include "transfer/pixel_blitter.h"
#include "transfer/rounding_mode.h"

LinearTapTable BuildLinearTaps(std::uint32_t destinationSize, std::uint32_t sourceSize, int wrap) {
    // With no source pixel there is nothing to index; with no destination pixel, no table.
    if (destinationSize == 0 || sourceSize == 0) return nullptr;
    LinearTapTable taps(new (std::nothrow) LinearTap[destinationSize]);
    if (!taps) return nullptr;
    const float scale = float(sourceSize) / float(destinationSize);
    const std::int32_t last = std::int32_t(sourceSize - 1);

    TruncatingRounding truncating;
    for (std::uint32_t i = 0; i < destinationSize; ++i) {
        // The sample sits at i x scale - 0.5, not at the destination pixel's centre.
        const float pos = float(i) * scale - 0.5f;
        const float f = std::floor(pos);
        LinearTap& tap = taps[i];
        tap.index0 = std::int32_t(f);
        tap.index1 = tap.index0 + 1;
        if (tap.index0 < 0) tap.index0 = wrap ? last : 0;
        if (tap.index0 > last) tap.index0 = wrap ? 0 : last;
        if (tap.index1 > last) tap.index1 = wrap ? 0 : last;
        tap.weight0 = 1.0f - (pos - f);
        tap.weight1 = 1.0f - tap.weight0;
    }
    return taps;
}

std::unique_ptr<TriangleWeightList> BuildTriangleWeights(std::uint32_t sourceSize, std::uint32_t destinationSize,
                                                         int wrap) {
    if (sourceSize == 0 || destinationSize == 0) return nullptr;
    constexpr float SMALLEST_WEIGHT = 1e-5f;
    try {
        std::vector<TriangleWeight> records;
        records.reserve(1 + std::size_t(sourceSize) * 5);
        records.push_back({0, 0.0f});  // the total size, filled in at the end

        const float b = float(destinationSize) / float(sourceSize);
        const float n = float(destinationSize);
        const std::int64_t count = destinationSize;
        std::int64_t current = 0;
        for (std::uint32_t j = 0; j < sourceSize; ++j) {
            const std::size_t header = records.size();
            records.push_back({0, 0.0f});
            float sum = 0.0f;
            auto append = [&]() {
                if (sum > SMALLEST_WEIGHT) records.push_back({std::uint32_t(current), sum});
            };
            for (int half = 0; half < 2; ++half) {
                const float e = float(j) + float(half) - 0.5f;
                float start = e * b;
                float end = e * b + b;
                if (!wrap) {
                    if (start < 0.0f) start = 0.0f;
                    if (end > n) end = n;
                }
                for (std::int64_t m = std::int64_t(std::floor(start)); float(m) < end; ++m) {
                    std::int64_t u = m < 0 ? m + count : (m < count ? m : m - count);
                    // Float rounding at huge sizes must never name a pixel outside the axis.
                    if (u < 0) u = 0;
                    if (u >= count) u = count - 1;
                    if (u != current) {
                        append();
                        sum = 0.0f;
                        current = u;
                    }
                    const float v = std::max(start, float(m));
                    const float t = std::min(end, float(m + 1));
                    float height = (v + t) * (0.5f / b) - e;
                    if (!wrap) {
                        // The outer halves of the edge pixels keep each destination's total at 1.
                        if (e < 0.0f)
                            height = 1.0f;
                        else if (e + 1.0f >= float(sourceSize))
                            height = 0.0f;
                    }
                    sum += (half == 0 ? height : 1.0f - height) * (t - v);
                }
            }
            append();
            records[header].index = std::uint32_t((records.size() - header - 1) * sizeof(TriangleWeight));
        }
        records[0].index = std::uint32_t(records.size() * sizeof(TriangleWeight));

        std::unique_ptr<TriangleWeight[]> block(new TriangleWeight[records.size()]);
        std::copy(records.begin(), records.end(), block.get());
        return std::make_unique<TriangleWeightList>(std::move(block), sourceSize);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

inline void AddScaled(ColorF& to, float weight, const ColorF& from) {
    to.r += weight * from.r;
    to.g += weight * from.g;
    to.b += weight * from.b;
    to.a += weight * from.a;
}

// u0 x a + u1 x b per channel.
inline ColorF Blend(float u0, const ColorF& a, float u1, const ColorF& b) {
    return {u0 * a.r + u1 * b.r, u0 * a.g + u1 * b.g, u0 * a.b + u1 * b.b, u0 * a.a + u1 * b.a};
}

// A source row buffer that remembers which row (and slice) it holds.
struct HeldRow {
    ColorRow pixels;
    std::int64_t row = -1;
};

// Owns the accumulators and every buffer they or the free list hold.
class AccumulatorSet {
public:
    AccumulatorSet(std::uint32_t count, std::size_t pixelsEach)
        : accumulators(new (std::nothrow) RowAccumulator[count ? count : 1]), count(count), pixelsEach(pixelsEach) {}
    ~AccumulatorSet() {
        // The free list links accumulators of this array, so their buffers are freed here too.
        if (accumulators) {
            for (std::uint32_t i = 0; i < count; ++i) delete[] accumulators[i].row;
        }
    }
    bool Valid() const { return accumulators != nullptr; }
    RowAccumulator& operator[](std::uint32_t i) { return accumulators[i]; }

    // Gives accumulator i a zeroed buffer unless it has one: the head of the free list, or a
    // new one. False when memory runs out.
    bool Open(std::uint32_t i) {
        RowAccumulator& accumulator = accumulators[i];
        if (accumulator.row) return true;
        if (freeList) {
            accumulator.row = freeList->row;
            freeList->row = nullptr;
            freeList = freeList->next;
        } else {
            accumulator.row = new (std::nothrow) ColorF[pixelsEach ? pixelsEach : 1];
            if (!accumulator.row) return false;
        }
        std::fill(accumulator.row, accumulator.row + pixelsEach, ColorF{0, 0, 0, 0});
        return true;
    }

    // Hands accumulator i's buffer to the free list through the accumulator itself.
    void Close(std::uint32_t i) {
        RowAccumulator& accumulator = accumulators[i];
        accumulator.next = freeList;
        freeList = &accumulator;
    }

    // Counts every occurrence of each destination index in all the lists.
    void CountPending(const TriangleWeightList& lists) {
        TriangleWeightList::Cursor cursor = lists.Lists();
        for (std::uint32_t j = 0; j < lists.ListCount(); ++j) {
            std::uint32_t pairs;
            const TriangleWeight* list = cursor.Next(&pairs);
            for (std::uint32_t p = 0; p < pairs; ++p) ++accumulators[list[p].index].pending;
        }
    }

private:
    std::unique_ptr<RowAccumulator[]> accumulators;
    std::uint32_t count;
    std::size_t pixelsEach;
    RowAccumulator* freeList = nullptr;
};

}  // namespace

HRESULT PixelBlitter::LinearResample2D() {
    if (Selector() != FILTER_LINEAR || destinationCodec->depth != 1 || sourceCodec->depth != 1) return E_FAIL;
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    LinearTapTable xTaps = BuildLinearTaps(dst.width, src.width, !(filter & FILTER_MIRROR_U));
    LinearTapTable yTaps = BuildLinearTaps(dst.height, src.height, !(filter & FILTER_MIRROR_V));
    if (!xTaps || !yTaps) return E_OUTOFMEMORY;
    ColorRow out = AllocateColorRow(dst.width);
    HeldRow r0{AllocateColorRow(src.width)}, r1{AllocateColorRow(src.width)};
    if (!out || !r0.pixels || !r1.pixels) return E_OUTOFMEMORY;

    for (std::uint32_t y = 0; y < dst.height; ++y) {
        const LinearTap& v = yTaps[y];
        if (r0.row != v.index0) {
            if (r1.row == v.index0) {
                std::swap(r0, r1);
            } else {
                src.DecodeRow(std::uint32_t(v.index0), 0, r0.pixels.get());
                r0.row = v.index0;
            }
        }
        if (r1.row != v.index1) {
            src.DecodeRow(std::uint32_t(v.index1), 0, r1.pixels.get());
            r1.row = v.index1;
        }
        const ColorF* a = r0.pixels.get();
        const ColorF* b = r1.pixels.get();
        for (std::uint32_t x = 0; x < dst.width; ++x) {
            const LinearTap& u = xTaps[x];
            out[x] = Blend(v.weight0, Blend(u.weight0, a[u.index0], u.weight1, a[u.index1]), v.weight1,
                           Blend(u.weight0, b[u.index0], u.weight1, b[u.index1]));
        }
        dst.EncodeRow(y, 0, out.get());
    }
    return S_OK;
}

HRESULT PixelBlitter::LinearResample3D() {
    if (Selector() != FILTER_LINEAR) return E_FAIL;
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    LinearTapTable xTaps = BuildLinearTaps(dst.width, src.width, !(filter & FILTER_MIRROR_U));
    LinearTapTable yTaps = BuildLinearTaps(dst.height, src.height, !(filter & FILTER_MIRROR_V));
    LinearTapTable zTaps = BuildLinearTaps(dst.depth, src.depth, !(filter & FILTER_MIRROR_W));
    if (!xTaps || !yTaps || !zTaps) return E_OUTOFMEMORY;
    ColorRow out = AllocateColorRow(dst.width);
    // pair[p][s]: row of pair p from slice k0 (s = 0) or k1 (s = 1); `row` of [p][0] names the pair.
    HeldRow pair[2][2] = {{{AllocateColorRow(src.width)}, {AllocateColorRow(src.width)}},
                          {{AllocateColorRow(src.width)}, {AllocateColorRow(src.width)}}};
    if (!out || !pair[0][0].pixels || !pair[0][1].pixels || !pair[1][0].pixels || !pair[1][1].pixels)
        return E_OUTOFMEMORY;

    for (std::uint32_t z = 0; z < dst.depth; ++z) {
        const LinearTap& s = zTaps[z];
        pair[0][0].row = pair[1][0].row = -1;
        auto fill = [&](HeldRow* rows, std::int32_t row) {
            src.DecodeRow(std::uint32_t(row), std::uint32_t(s.index0), rows[0].pixels.get());
            src.DecodeRow(std::uint32_t(row), std::uint32_t(s.index1), rows[1].pixels.get());
            rows[0].row = row;
        };
        for (std::uint32_t y = 0; y < dst.height; ++y) {
            const LinearTap& v = yTaps[y];
            if (pair[0][0].row != v.index0) {
                if (pair[1][0].row == v.index0) {
                    std::swap(pair[0], pair[1]);
                } else {
                    fill(pair[0], v.index0);
                }
            }
            if (pair[1][0].row != v.index1) fill(pair[1], v.index1);
            const ColorF* p00 = pair[0][0].pixels.get();  // row i0, slice k0
            const ColorF* p01 = pair[0][1].pixels.get();  // row i0, slice k1
            const ColorF* p10 = pair[1][0].pixels.get();  // row i1, slice k0
            const ColorF* p11 = pair[1][1].pixels.get();  // row i1, slice k1
            for (std::uint32_t x = 0; x < dst.width; ++x) {
                const LinearTap& u = xTaps[x];
                auto across = [&](const ColorF* r) { return Blend(u.weight0, r[u.index0], u.weight1, r[u.index1]); };
                const ColorF front = Blend(v.weight0, across(p00), v.weight1, across(p10));
                const ColorF back = Blend(v.weight0, across(p01), v.weight1, across(p11));
                out[x] = Blend(s.weight0, front, s.weight1, back);
            }
            dst.EncodeRow(y, z, out.get());
        }
    }
    return S_OK;
}

HRESULT PixelBlitter::TriangleResample2D() {
    if (destinationCodec->depth != 1 || sourceCodec->depth != 1) return E_FAIL;
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    auto xLists = BuildTriangleWeights(src.width, dst.width, !(filter & FILTER_MIRROR_U));
    auto yLists = BuildTriangleWeights(src.height, dst.height, !(filter & FILTER_MIRROR_V));
    if (!xLists || !yLists) return E_FAIL;
    AccumulatorSet rows(dst.height, dst.width);
    ColorRow sourceRow = AllocateColorRow(src.width);
    if (!rows.Valid() || !sourceRow) return E_OUTOFMEMORY;
    rows.CountPending(*yLists);

    TriangleWeightList::Cursor yCursor = yLists->Lists();
    for (std::uint32_t i = 0; i < src.height; ++i) {
        std::uint32_t yCount;
        const TriangleWeight* yPairs = yCursor.Next(&yCount);
        for (std::uint32_t p = 0; p < yCount; ++p) {
            if (!rows.Open(yPairs[p].index)) return E_OUTOFMEMORY;
        }
        src.DecodeRow(i, 0, sourceRow.get());

        TriangleWeightList::Cursor xCursor = xLists->Lists();
        for (std::uint32_t c = 0; c < src.width; ++c) {
            std::uint32_t xCount;
            const TriangleWeight* xPairs = xCursor.Next(&xCount);
            const ColorF& pixel = sourceRow[c];
            for (std::uint32_t p = 0; p < yCount; ++p) {
                ColorF* row = rows[yPairs[p].index].row;
                const float wy = yPairs[p].weight;
                for (std::uint32_t q = 0; q < xCount; ++q) AddScaled(row[xPairs[q].index], xPairs[q].weight * wy, pixel);
            }
        }

        for (std::uint32_t p = 0; p < yCount; ++p) {
            const std::uint32_t r = yPairs[p].index;
            if (--rows[r].pending == 0) {
                dst.EncodeRow(r, 0, rows[r].row);
                rows.Close(r);
            }
        }
    }
    return S_OK;
}

HRESULT PixelBlitter::TriangleResample3D() {
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    auto xLists = BuildTriangleWeights(src.width, dst.width, !(filter & FILTER_MIRROR_U));
    auto yLists = BuildTriangleWeights(src.height, dst.height, !(filter & FILTER_MIRROR_V));
    auto zLists = BuildTriangleWeights(src.depth, dst.depth, !(filter & FILTER_MIRROR_W));
    if (!xLists || !yLists || !zLists) return E_FAIL;
    AccumulatorSet slices(dst.depth, std::size_t(dst.width) * dst.height);
    ColorRow sourceRow = AllocateColorRow(src.width);
    if (!slices.Valid() || !sourceRow) return E_OUTOFMEMORY;
    slices.CountPending(*zLists);

    TriangleWeightList::Cursor zCursor = zLists->Lists();
    for (std::uint32_t i = 0; i < src.depth; ++i) {
        std::uint32_t zCount;
        const TriangleWeight* zPairs = zCursor.Next(&zCount);
        for (std::uint32_t p = 0; p < zCount; ++p) {
            if (!slices.Open(zPairs[p].index)) return E_OUTOFMEMORY;
        }

        TriangleWeightList::Cursor yCursor = yLists->Lists();
        for (std::uint32_t j = 0; j < src.height; ++j) {
            std::uint32_t yCount;
            const TriangleWeight* yPairs = yCursor.Next(&yCount);
            src.DecodeRow(j, i, sourceRow.get());
            TriangleWeightList::Cursor xCursor = xLists->Lists();
            for (std::uint32_t c = 0; c < src.width; ++c) {
                std::uint32_t xCount;
                const TriangleWeight* xPairs = xCursor.Next(&xCount);
                const ColorF& pixel = sourceRow[c];
                for (std::uint32_t s = 0; s < zCount; ++s) {
                    ColorF* slice = slices[zPairs[s].index].row;
                    const float wz = zPairs[s].weight;
                    for (std::uint32_t p = 0; p < yCount; ++p) {
                        ColorF* row = slice + std::size_t(yPairs[p].index) * dst.width;
                        const float wy = yPairs[p].weight;
                        for (std::uint32_t q = 0; q < xCount; ++q)
                            AddScaled(row[xPairs[q].index], wz * (xPairs[q].weight * wy), pixel);
                    }
                }
            }
        }

        for (std::uint32_t p = 0; p < zCount; ++p) {
            const std::uint32_t s = zPairs[p].index;
            if (--slices[s].pending == 0) {
                for (std::uint32_t y = 0; y < dst.height; ++y)
                    dst.EncodeRow(y, s, slices[s].row + std::size_t(y) * dst.width);
                slices.Close(s);
            }
        }
    }
    return S_OK;
}
