// Files opened for reading, mappings and views, and the wide-to-ANSI conversion.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/windows_api.h"
#include "tests/platform/temp_files.h"

namespace {

HANDLE OpenLikeTheMappedFile(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_RANDOM_ACCESS, nullptr);
}

TEST(FilesTest, MissingFilesAndDirectoriesAreNotFound) {
    SetLastError(0);
    std::string missing = ScratchPath("missing.tga");
    EXPECT_EQ(OpenLikeTheMappedFile(missing.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::string inMissingFolder = ScratchPath("no_such_folder/env1.tga");
    EXPECT_EQ(OpenLikeTheMappedFile(inMissingFolder.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    // A folder is not a file; writing is refused by this read-only layer.
    EXPECT_EQ(OpenLikeTheMappedFile(testing::TempDir().c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    std::string path = WriteScratchFile("write.bin", "x");
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandle(INVALID_HANDLE_VALUE), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(FilesTest, AFileIsMappedWholeAndTheViewOutlivesItsHandles) {
    std::string content = "TRUEVISION-XFILE";
    content += std::string(70000, 'z');
    std::string path = WriteScratchFile("content.bin", content);
    HANDLE file = OpenLikeTheMappedFile(path.c_str());
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file, &high), content.size());
    EXPECT_EQ(high, 0u);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(std::memcmp(view, content.data(), content.size()), 0);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
    EXPECT_FALSE(CloseHandle(file));
}

TEST(FilesTest, ViewsMustBeAlignedAndInsideTheMapping) {
    std::string path = WriteScratchFile("views.bin", std::string(70000, 'v'));
    HANDLE file = OpenLikeTheMappedFile(path.c_str());
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 4096, 0), nullptr);
    EXPECT_EQ(GetLastError(), 1132u);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 70001), nullptr);
    const void* tail = MapViewOfFile(mapping, FILE_MAP_READ, 0, 65536, 0);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(static_cast<const char*>(tail)[70000 - 65536 - 1], 'v');
    UnmapViewOfFile(tail);
    // The mapping cannot be larger than a file opened for reading, nor writable.
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 70001, nullptr), nullptr);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, 0x04, 0, 0, nullptr), nullptr);
    CloseHandle(mapping);
    CloseHandle(file);
}

TEST(FilesTest, AnEmptyFileOpensButCannotBeMapped) {
    std::string path = WriteScratchFile("empty.bin", "");
    HANDLE file = OpenLikeTheMappedFile(path.c_str());
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
    CloseHandle(file);
}

// Only read sharing is granted, so a file that is open for writing elsewhere is refused.
TEST(FilesTest, AFileOpenForWritingIsASharingViolation) {
    std::string path = WriteScratchFile("busy.bin", "busy");
    std::ofstream writer(path, std::ios::binary | std::ios::app);
    ASSERT_TRUE(writer.is_open());
    EXPECT_EQ(OpenLikeTheMappedFile(path.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 32u);
    writer.close();
    HANDLE file = OpenLikeTheMappedFile(path.c_str());
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST(FilesTest, WidePathsWithNonAsciiNamesOpen) {
    std::string path = WriteScratchFile("t\xC3\xA9st_\xE6\x97\xA5\xE6\x9C\xAC_\xF0\x9F\x98\x80.bin", "wide");
    std::wstring wide;
    for (char c : testing::TempDir()) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    wide += L"orbique_" + std::to_wstring(getpid()) + L"_t\u00e9st_\u65e5\u672c_\U0001F600.bin";
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_RANDOM_ACCESS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(GetFileSize(file, nullptr), 4u);
    CloseHandle(file);
    // A lone surrogate is no name.
    const wchar_t broken[] = {L'a', static_cast<wchar_t>(0xD800), 0};
    EXPECT_EQ(CreateFileW(broken, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(FilesTest, WideCharToMultiByteCountProtocol) {
    const wchar_t* text = L"\u00e9t\u00e9";  // 2 + 1 + 2 bytes in UTF-8
    struct Case {
        int wideCount;
        int multiBytes;
        int result;
        const char* expected;  // the bytes written, or the error code set when result is 0
        DWORD error;
    } cases[] = {
        {-1, 0, 6, nullptr, 0},  // length asked, terminator counted
        {3, 0, 5, nullptr, 0},   // no terminator in a counted string
        {-1, 6, 6, "\xC3\xA9t\xC3\xA9", 0},
        {3, 5, 5, "\xC3\xA9t\xC3\xA9", 0},
        {-1, 5, 0, nullptr, ERROR_INSUFFICIENT_BUFFER},  // one byte short
        {0, 0, 0, nullptr, static_cast<DWORD>(ERROR_INVALID_PARAMETER)},  // nothing to convert
        {-2, 0, 0, nullptr, static_cast<DWORD>(ERROR_INVALID_PARAMETER)},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::memset(buffer, 0, sizeof(buffer));
        SetLastError(0);
        int result = WideCharToMultiByte(CP_ACP, 0, text, c.wideCount, c.multiBytes ? buffer : nullptr,
                                         c.multiBytes, nullptr, nullptr);
        EXPECT_EQ(result, c.result) << c.wideCount << " " << c.multiBytes;
        EXPECT_EQ(GetLastError(), c.error) << c.wideCount << " " << c.multiBytes;
        if (c.expected) {
            EXPECT_EQ(std::memcmp(buffer, c.expected, c.result), 0);
        }
    }
    char buffer[8];

    // What cannot be converted becomes the default character.
    const wchar_t broken[] = {L'a', static_cast<wchar_t>(0xDC00), L'b', 0};
    BOOL usedDefault = FALSE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, broken, -1, buffer, 8, "#", &usedDefault), 4);
    EXPECT_STREQ(buffer, "a#b");
    EXPECT_TRUE(usedDefault);
}

}  // namespace
