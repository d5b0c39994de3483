#include "texture/pixel_format.h"

#include <gtest/gtest.h>

#include "codecs/private_formats.h"
#include "platform/test_seams.h"
#include "texture_test_support.h"

namespace {

using texture_test::TestDevice;

constexpr DWORD ANY_USAGE = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;

MachineProfile ProfileWith(std::initializer_list<D3DFORMAT> formats) {
    MachineProfile profile = DefaultMachineProfile();
    profile.formats.clear();
    for (D3DFORMAT format : formats) profile.formats.push_back({format, ANY_USAGE, ALL_TEXTURE_TYPES});
    return profile;
}

TEST(PixelFormatCatalogue, EveryRowIsFoundAndUnknownFormatsFallBack) {
    for (const PixelFormatDesc& row : PIXEL_FORMATS) {
        EXPECT_EQ(FindPixelFormatDesc(static_cast<D3DFORMAT>(row.format)), &row) << row.format;
    }
    EXPECT_EQ(PIXEL_FORMATS[0].format, D3DFMT_R8G8B8);
    EXPECT_EQ(PIXEL_FORMATS[PIXEL_FORMAT_COUNT - 1].format, D3DFMT_AR16_PRIVATE);
    for (D3DFORMAT unknown : {D3DFMT_UNKNOWN, D3DFMT_INDEX16, static_cast<D3DFORMAT>(MAKEFOURCC('A', 'B', 'C', 'D'))}) {
        const PixelFormatDesc* row = FindPixelFormatDesc(unknown);
        EXPECT_EQ(row, &FALLBACK_PIXEL_FORMAT);
        EXPECT_EQ(row->format, 0u);
        EXPECT_EQ(row->kind, PIXEL_KIND_RGB);
        EXPECT_EQ(row->alphaBits + row->redBits + row->greenBits + row->blueBits, 32u);
        EXPECT_EQ(row->selectable, 0u);
    }
}

TEST(PixelFormatCatalogue, StorageFormatsReplaceOnlyThePrivateFormats) {
    EXPECT_EQ(PickStorageFormat(D3DFMT_L16_PRIVATE), D3DFMT_L8);
    EXPECT_EQ(PickStorageFormat(D3DFMT_AL16_PRIVATE), D3DFMT_A8L8);
    EXPECT_EQ(PickStorageFormat(D3DFMT_R16_PRIVATE), D3DFMT_R8G8B8);
    EXPECT_EQ(PickStorageFormat(D3DFMT_AR16_PRIVATE), D3DFMT_A8R8G8B8);
    for (D3DFORMAT kept : {D3DFMT_UNKNOWN, D3DFMT_R8G8B8, D3DFMT_P8, D3DFMT_DXT1, D3DFMT_V8U8}) {
        EXPECT_EQ(PickStorageFormat(kept), kept);
    }
}

TEST(PixelFormatCatalogue, ConversionCosts) {
    struct Case {
        D3DFORMAT wanted;
        D3DFORMAT candidate;
        std::uint32_t cost;
    };
    const Case cases[] = {
        {D3DFMT_R8G8B8, D3DFMT_X8R8G8B8, 0},
        {D3DFMT_R8G8B8, D3DFMT_A8R8G8B8, 0x100},            // adds a channel
        {D3DFMT_A8R8G8B8, D3DFMT_A2B10G10R10, 0x60006},      // alpha precision lost, colour gained
        {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, 0x100000},
        {D3DFMT_A8R8G8B8, D3DFMT_A8R3G3B2, 0x100000},
        {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, 0x1000000},       // alpha lost entirely
        {D3DFMT_P8, D3DFMT_A8R8G8B8, 0},
        {D3DFMT_P8, D3DFMT_A8P8, 0},
        {D3DFMT_L8, D3DFMT_X8R8G8B8, 0},
        {D3DFMT_A8, D3DFMT_A8R8G8B8, 0x300},
        {D3DFMT_A8, D3DFMT_X8R8G8B8, FORMAT_COST_IMPOSSIBLE},   // its only channel lost
        {D3DFMT_X8R8G8B8, D3DFMT_L8, FORMAT_COST_IMPOSSIBLE},   // colour never becomes luminance
        {D3DFMT_X8R8G8B8, D3DFMT_P8, FORMAT_COST_IMPOSSIBLE},
        {D3DFMT_V8U8, D3DFMT_X8R8G8B8, FORMAT_COST_IMPOSSIBLE},
        {D3DFMT_D16, D3DFMT_R5G6B5, FORMAT_COST_IMPOSSIBLE},
        {D3DFMT_V8U8, D3DFMT_V16U16, 16},
        {D3DFMT_D24S8, D3DFMT_D16, (8u << 16) + 0x1000000u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatConversionCost(FindPixelFormatDesc(c.wanted), FindPixelFormatDesc(c.candidate)), c.cost)
            << std::hex << c.wanted << " -> " << c.candidate;
    }
    EXPECT_EQ(FormatConversionCost(&FALLBACK_PIXEL_FORMAT, FindPixelFormatDesc(D3DFMT_A8R8G8B8)), 0u);
}

class PickDeviceFormatTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(RuntimeLiveObjectCount(), 0u); }
};

TEST_F(PickDeviceFormatTest, ChoosesTheNearestFormatTheDeviceOffers) {
    struct Case {
        const char* what;
        std::initializer_list<D3DFORMAT> offered;
        D3DFORMAT wanted;
        D3DFORMAT expected;
    };
    const Case cases[] = {
        {"R8G8B8 missing: X8R8G8B8 costs nothing", {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5},
         D3DFMT_R8G8B8, D3DFMT_X8R8G8B8},
        {"exact match wins even when not selectable", {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8}, D3DFMT_R8G8B8,
         D3DFMT_R8G8B8},
        {"A8R8G8B8 missing: A2B10G10R10",
         {D3DFMT_X8R8G8B8, D3DFMT_A8R3G3B2, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_A2B10G10R10},
         D3DFMT_A8R8G8B8, D3DFMT_A2B10G10R10},
        {"full tie: the earlier catalogue row", {D3DFMT_X8R8G8B8, D3DFMT_A8R3G3B2, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5},
         D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5},
        {"P8 missing: A8P8 has fewer bits than A8R8G8B8", {D3DFMT_A8R8G8B8, D3DFMT_A8P8}, D3DFMT_P8, D3DFMT_A8P8},
        {"A8P8 missing: P8", {D3DFMT_A8R8G8B8, D3DFMT_P8}, D3DFMT_A8P8, D3DFMT_P8},
        {"format 0 asks for 8:8:8:8 colour", {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, D3DFMT_UNKNOWN,
         D3DFMT_A8R8G8B8},
        {"DXT on an exact match", {D3DFMT_A8R8G8B8, D3DFMT_DXT1, D3DFMT_DXT5}, D3DFMT_DXT1, D3DFMT_DXT1},
        {"DXT never approximates DXT", {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_A4R4G4B4}, D3DFMT_DXT5,
         D3DFMT_A4R4G4B4},
        {"DXT never approximates colour", {D3DFMT_DXT5, D3DFMT_DXT4}, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN},
        {"signed never becomes colour", {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_V8U8, D3DFMT_UNKNOWN},
        {"signed to signed", {D3DFMT_A8R8G8B8, D3DFMT_V16U16}, D3DFMT_V8U8, D3DFMT_V16U16},
        {"depth never becomes colour", {D3DFMT_A8R8G8B8, D3DFMT_L8}, D3DFMT_D16, D3DFMT_UNKNOWN},
        {"L8 without luminance formats", {D3DFMT_R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, D3DFMT_L8,
         D3DFMT_X8R8G8B8},
        {"luminance prefers luminance", {D3DFMT_A8R8G8B8, D3DFMT_A8L8}, D3DFMT_L8, D3DFMT_A8L8},
        {"nothing offered", {}, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN},
    };
    for (const Case& c : cases) {
        TestDevice device(ProfileWith(c.offered));
        ASSERT_NE(device.get(), nullptr);
        EXPECT_EQ(PickDeviceFormat(device.get(), 0, D3DRTYPE_TEXTURE, FindPixelFormatDesc(c.wanted)), c.expected)
            << c.what;
    }
}

TEST_F(PickDeviceFormatTest, ProbesForTheGivenUsageAndResourceType) {
    MachineProfile profile = DefaultMachineProfile();
    profile.formats = {{D3DFMT_A8R8G8B8, ANY_USAGE, RESOURCE_BIT(D3DRTYPE_CUBETEXTURE)},
                       {D3DFMT_A4R4G4B4, 0, RESOURCE_BIT(D3DRTYPE_TEXTURE)},
                       {D3DFMT_X8R8G8B8, ANY_USAGE, RESOURCE_BIT(D3DRTYPE_TEXTURE)}};
    TestDevice device(profile);
    ASSERT_NE(device.get(), nullptr);
    const PixelFormatDesc* wanted = FindPixelFormatDesc(D3DFMT_A8R8G8B8);
    EXPECT_EQ(PickDeviceFormat(device.get(), 0, D3DRTYPE_CUBETEXTURE, wanted), D3DFMT_A8R8G8B8);
    EXPECT_EQ(PickDeviceFormat(device.get(), 0, D3DRTYPE_TEXTURE, wanted), D3DFMT_A4R4G4B4);
    EXPECT_EQ(PickDeviceFormat(device.get(), D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, wanted), D3DFMT_X8R8G8B8);
}

TEST_F(PickDeviceFormatTest, WithoutADeviceEveryFormatCounts) {
    EXPECT_EQ(PickDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, FindPixelFormatDesc(D3DFMT_R8G8B8)), D3DFMT_R8G8B8);
    EXPECT_EQ(PickDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, FindPixelFormatDesc(D3DFMT_A8R8G8B8)),
              D3DFMT_A8R8G8B8);
    EXPECT_EQ(PickDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, FindPixelFormatDesc(D3DFMT_UNKNOWN)), D3DFMT_A8R8G8B8);
}

TEST_F(PickDeviceFormatTest, ProbesWithTheDebugRuntimeMutedAndUnmutesAfterwards) {
    TestDevice device(ProfileWith({D3DFMT_X8R8G8B8}));
    ASSERT_NE(device.get(), nullptr);
    platform_test::ResetMuteCalls();
    EXPECT_EQ(PickDeviceFormat(device.get(), 0, D3DRTYPE_TEXTURE, FindPixelFormatDesc(D3DFMT_A8R8G8B8)),
              D3DFMT_X8R8G8B8);
    const platform_test::MuteCalls calls = platform_test::RetailMuteCalls();
    EXPECT_EQ(calls.count, 2);
    EXPECT_EQ(calls.lastValue, 0u);

    // A miss probes every row and still unmutes.
    platform_test::ResetMuteCalls();
    EXPECT_EQ(PickDeviceFormat(device.get(), 0, D3DRTYPE_TEXTURE, FindPixelFormatDesc(D3DFMT_V8U8)), D3DFMT_UNKNOWN);
    EXPECT_EQ(platform_test::RetailMuteCalls().count, 2);
    EXPECT_EQ(platform_test::RetailMuteCalls().lastValue, 0u);
}

}  // namespace
