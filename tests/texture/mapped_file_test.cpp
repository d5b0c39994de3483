#include "texture/mapped_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/d3d8.h"
#include "platform/test_seams.h"
#include "texture/decoded_image.h"
#include "texture/texture_loader.h"

namespace {

class MappedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::string(ORBIQUE_BINARY_DIR) + "/mapped_file_test_" + std::to_string(getpid());
        std::string command = "mkdir -p '" + folder_ + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void TearDown() override {
        platform_test::SetReportedVersion(nullptr);
        std::string command = "rm -rf '" + folder_ + "'";
        std::system(command.c_str());
    }

    std::string Write(const std::string& name, const std::string& contents) {
        const std::string path = folder_ + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out << contents;
        return path;
    }

    std::string folder_;
};

TEST_F(MappedFileTest, MapsTheWholeFileReadOnly) {
    const std::string path = Write("bytes.bin", "mapped file contents");
    MappedFile file;
    ASSERT_EQ(file.Open(path.c_str(), FALSE), S_OK);
    ASSERT_NE(file.View(), nullptr);
    EXPECT_EQ(file.Size(), 20u);
    EXPECT_EQ(std::memcmp(file.View(), "mapped file contents", 20), 0);
    EXPECT_EQ(file.Close(), S_OK);
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_EQ(file.Close(), S_OK);  // twice is harmless
}

TEST_F(MappedFileTest, OpensWidePathsOnEveryPlatform) {
    // A name outside ASCII, so that the narrowing to the ANSI code page matters.
    Write("w\xC3\xA9" "de.bin", "wide");
    const std::wstring widePath = std::wstring(folder_.begin(), folder_.end()) + L"/w\u00E9de.bin";
    {
        MappedFile file;
        ASSERT_EQ(file.Open(widePath.c_str(), TRUE), S_OK);
        EXPECT_EQ(file.Size(), 4u);
        EXPECT_EQ(std::memcmp(file.View(), "wide", 4), 0);
    }
    OSVERSIONINFOA windows98 = {};
    windows98.dwOSVersionInfoSize = sizeof(windows98);
    windows98.dwMajorVersion = 4;
    windows98.dwMinorVersion = 10;
    windows98.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    platform_test::SetReportedVersion(&windows98);
    MappedFile file;
    ASSERT_EQ(file.Open(widePath.c_str(), TRUE), S_OK);
    EXPECT_EQ(file.Size(), 4u);
    EXPECT_EQ(std::memcmp(file.View(), "wide", 4), 0);
}

TEST_F(MappedFileTest, FailuresGiveTheirCodesAndLeaveTheObjectSafeToClose) {
    MappedFile missing;
    EXPECT_EQ(missing.Open((folder_ + "/missing.tga").c_str(), FALSE), ERR_INVALID_DATA);
    EXPECT_EQ(missing.Close(), S_OK);
    EXPECT_EQ(missing.Close(), S_OK);

    MappedFile empty;  // an empty file cannot be mapped; the destructor releases the handle
    EXPECT_EQ(empty.Open(Write("empty.tga", "").c_str(), FALSE), ERR_INVALID_DATA);

    MappedFile folder;
    EXPECT_EQ(folder.Open(folder_.c_str(), FALSE), ERR_INVALID_DATA);

    MappedFile none;
    EXPECT_EQ(none.Open(nullptr, FALSE), D3DERR_INVALIDCALL);
    EXPECT_EQ(none.Open(nullptr, TRUE), D3DERR_INVALIDCALL);
}

TEST_F(MappedFileTest, TheLoaderReturnsTheOpenFailureUnchanged) {
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x1234);
    // The file is opened before the device is looked at.
    EXPECT_EQ(LoadTextureFile(nullptr, (folder_ + "/missing.tga").c_str(), &texture), ERR_INVALID_DATA);
    EXPECT_EQ(LoadTextureFile(nullptr, Write("empty.tga", "").c_str(), &texture), ERR_INVALID_DATA);
    EXPECT_EQ(LoadTextureFile(nullptr, nullptr, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, reinterpret_cast<IDirect3DTexture8*>(0x1234));
}

}  // namespace
