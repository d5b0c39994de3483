// The linear taps and triangle weight lists, checked as dense weight matrices.
#include <gtest/gtest.h>

#include <cfenv>
#include <vector>

#include "transfer/resample_filters.h"

namespace {

// weights[u][j]: the weight of source pixel j in destination pixel u.
std::vector<std::vector<float>> DenseTriangle(std::uint32_t source, std::uint32_t destination, int wrap) {
    auto lists = BuildTriangleWeights(source, destination, wrap);
    EXPECT_NE(lists, nullptr);
    std::vector<std::vector<float>> weights(destination, std::vector<float>(source, 0.0f));
    if (!lists) return weights;
    TriangleWeightList::Cursor cursor = lists->Lists();
    for (std::uint32_t j = 0; j < source; ++j) {
        std::uint32_t count;
        const TriangleWeight* pairs = cursor.Next(&count);
        for (std::uint32_t p = 0; p < count; ++p) {
            EXPECT_LT(pairs[p].index, destination);
            if (pairs[p].index < destination) weights[pairs[p].index][j] += pairs[p].weight;
        }
    }
    return weights;
}

constexpr float TOLERANCE = 1e-5f;

TEST(TriangleWeights, HalvingGivesOneSevenSevenOneSixteenths) {
    for (int wrap : {1, 0}) {
        SCOPED_TRACE(wrap);
        const auto w = DenseTriangle(8, 4, wrap);
        for (std::uint32_t u = 1; u < 3; ++u) {
            EXPECT_NEAR(w[u][2 * u - 1], 1.0f / 16, TOLERANCE);
            EXPECT_NEAR(w[u][2 * u], 7.0f / 16, TOLERANCE);
            EXPECT_NEAR(w[u][2 * u + 1], 7.0f / 16, TOLERANCE);
            EXPECT_NEAR(w[u][2 * u + 2], 1.0f / 16, TOLERANCE);
        }
    }
}

TEST(TriangleWeights, EdgesWrapWithoutMirrorAndClampWithIt) {
    const auto wrapped = DenseTriangle(8, 4, 1);
    EXPECT_NEAR(wrapped[0][7], 1.0f / 16, TOLERANCE);  // the last source pixel
    EXPECT_NEAR(wrapped[0][0], 7.0f / 16, TOLERANCE);
    EXPECT_NEAR(wrapped[0][1], 7.0f / 16, TOLERANCE);
    EXPECT_NEAR(wrapped[0][2], 1.0f / 16, TOLERANCE);
    EXPECT_NEAR(wrapped[3][0], 1.0f / 16, TOLERANCE);

    const auto clamped = DenseTriangle(8, 4, 0);
    EXPECT_NEAR(clamped[0][0], 0.5f, TOLERANCE);
    EXPECT_NEAR(clamped[0][1], 7.0f / 16, TOLERANCE);
    EXPECT_NEAR(clamped[0][2], 1.0f / 16, TOLERANCE);
    EXPECT_EQ(clamped[0][7], 0.0f);
    EXPECT_EQ(clamped[3][0], 0.0f);
    EXPECT_NEAR(clamped[3][7], 0.5f, TOLERANCE);
}

TEST(TriangleWeights, ListsFollowTheTentAcrossTheWrappedEdge) {
    // Source pixel 0 of a halving reaches the last destination pixel first, then pixel 0.
    auto lists = BuildTriangleWeights(8, 4, 1);
    ASSERT_NE(lists, nullptr);
    TriangleWeightList::Cursor cursor = lists->Lists();
    std::uint32_t count;
    const TriangleWeight* pairs = cursor.Next(&count);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(pairs[0].index, 3u);
    EXPECT_NEAR(pairs[0].weight, 1.0f / 16, TOLERANCE);
    EXPECT_EQ(pairs[1].index, 0u);
    EXPECT_NEAR(pairs[1].weight, 7.0f / 16, TOLERANCE);
    // The block starts with its total size: header, then per list a header and its pairs.
    std::uint32_t records = 1;
    TriangleWeightList::Cursor all = lists->Lists();
    for (std::uint32_t j = 0; j < 8; ++j) {
        all.Next(&count);
        records += 1 + count;
    }
    EXPECT_EQ(lists->TotalBytes(), records * sizeof(TriangleWeight));
}

TEST(TriangleWeights, DoublingBlendsQuarterAndThreeQuarters) {
    for (int wrap : {1, 0}) {
        const auto w = DenseTriangle(4, 8, wrap);
        EXPECT_NEAR(w[2][0], 0.25f, TOLERANCE);
        EXPECT_NEAR(w[2][1], 0.75f, TOLERANCE);
        EXPECT_NEAR(w[3][1], 0.75f, TOLERANCE);
        EXPECT_NEAR(w[3][2], 0.25f, TOLERANCE);
    }
}

TEST(TriangleWeights, EveryDestinationPixelSumsToOne) {
    const std::uint32_t sizes[][2] = {{1, 1}, {1, 5}, {1, 64}, {2, 1}, {3, 7}, {7, 3}, {8, 4},
                                      {5, 2}, {6, 4}, {100, 37}, {37, 100}, {1024, 768}, {256, 1}};
    for (const auto& size : sizes) {
        for (int wrap : {1, 0}) {
            SCOPED_TRACE(testing::Message() << size[0] << " -> " << size[1] << " wrap " << wrap);
            const auto w = DenseTriangle(size[0], size[1], wrap);
            for (std::uint32_t u = 0; u < size[1]; ++u) {
                float total = 0;
                for (float x : w[u]) total += x;
                ASSERT_NEAR(total, 1.0f, 2e-4f) << "destination " << u;
            }
        }
    }
}

TEST(TriangleWeights, OnePixelSourceFeedsEveryDestinationFully) {
    for (int wrap : {1, 0}) {
        const auto w = DenseTriangle(1, 5, wrap);
        for (std::uint32_t u = 0; u < 5; ++u) EXPECT_NEAR(w[u][0], 1.0f, TOLERANCE);
    }
}

TEST(TriangleWeights, ZeroSizesGiveNoList) {
    EXPECT_EQ(BuildTriangleWeights(0, 4, 1), nullptr);
    EXPECT_EQ(BuildTriangleWeights(4, 0, 0), nullptr);
}

struct ExpectedTap {
    std::int32_t index0;
    float weight0;
    std::int32_t index1;
};

void ExpectTaps(const LinearTapTable& taps, const std::vector<ExpectedTap>& expected) {
    ASSERT_NE(taps, nullptr);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(taps[i].index0, expected[i].index0);
        EXPECT_EQ(taps[i].index1, expected[i].index1);
        EXPECT_FLOAT_EQ(taps[i].weight0, expected[i].weight0);
        EXPECT_FLOAT_EQ(taps[i].weight0 + taps[i].weight1, 1.0f);
    }
}

TEST(LinearTaps, HalvingWrapsOrClampsTheFirstTap) {
    // Without mirror: pixel 0 = half of the last source pixel and half of pixel 0, pixel i
    // = half of 2i - 1 and half of 2i.
    ExpectTaps(BuildLinearTaps(4, 8, 1), {{7, 0.5f, 0}, {1, 0.5f, 2}, {3, 0.5f, 4}, {5, 0.5f, 6}});
    // With mirror: pixel 0 is source pixel 0.
    ExpectTaps(BuildLinearTaps(4, 8, 0), {{0, 0.5f, 0}, {1, 0.5f, 2}, {3, 0.5f, 4}, {5, 0.5f, 6}});
}

TEST(LinearTaps, EnlargingWrapsOrClampsTheLastTap) {
    // 2 -> 4: positions -0.5, 0, 0.5, 1.
    ExpectTaps(BuildLinearTaps(4, 2, 1), {{1, 0.5f, 0}, {0, 1.0f, 1}, {0, 0.5f, 1}, {1, 1.0f, 0}});
    ExpectTaps(BuildLinearTaps(4, 2, 0), {{0, 0.5f, 0}, {0, 1.0f, 1}, {0, 0.5f, 1}, {1, 1.0f, 1}});
}

TEST(LinearTaps, IndicesStayInsideAndRoundingModeIsRestored) {
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    for (std::uint32_t source : {1u, 3u, 768u, 1024u}) {
        for (std::uint32_t destination : {1u, 2u, 5u, 768u, 2048u}) {
            for (int wrap : {1, 0}) {
                LinearTapTable taps = BuildLinearTaps(destination, source, wrap);
                ASSERT_NE(taps, nullptr);
                for (std::uint32_t i = 0; i < destination; ++i) {
                    ASSERT_GE(taps[i].index0, 0);
                    ASSERT_LT(taps[i].index0, std::int32_t(source));
                    ASSERT_GE(taps[i].index1, 0);
                    ASSERT_LT(taps[i].index1, std::int32_t(source));
                    ASSERT_GE(taps[i].weight0, 0.0f);
                    ASSERT_LE(taps[i].weight0, 1.0f);
                }
            }
        }
    }
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    EXPECT_EQ(BuildLinearTaps(4, 0, 1), nullptr);
}

}  // namespace
