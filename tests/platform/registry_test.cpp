// The registry read from a REGEDIT4 file, and the query protocol of RegQueryValueExA.
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/test_seams.h"
#include "platform/windows_api.h"
#include "tests/platform/temp_files.h"

namespace {

const char* const REGISTRY_TEXT =
    "REGEDIT4\r\n"
    "\r\n"
    "; the switches\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Velquist\\Direct3D]\r\n"
    "\"DisableMMX\"=dword:00000001\r\n"
    "\"DisableMathVariants\"=dword:FfFfFfFe\r\n"
    "\"Name\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  ff\r\n"
    "@=\"default\"\r\n"
    "\"Broken\"=dword:123456789\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"Value\"=dword:00000002\r\n";

// Must run before any test sets a registry file, since that overrides the variable for
// the rest of the process (ctest runs every test in its own process).
TEST(RegistryTest, TheEnvironmentVariableNamesTheFile) {
    std::string path = WriteScratchFile("environment.reg", REGISTRY_TEXT);
    setenv("ORBIQUE_REGISTRY", path.c_str(), 1);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    unsetenv("ORBIQUE_REGISTRY");
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", &key),
              ERROR_FILE_NOT_FOUND);
}

class RegistryFileTest : public testing::Test {
protected:
    void SetUp() override { platform_test::SetRegistryFile(WriteScratchFile("test.reg", REGISTRY_TEXT)); }
    void TearDown() override { platform_test::SetRegistryFile(""); }
};

TEST_F(RegistryFileTest, KeysOpenIgnoringCaseAndIntermediateKeysExist) {
    struct Case {
        HKEY root;
        const char* path;
        LONG result;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\velquist\\DIRECT3D\\", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "Software\\Velquist", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "Software\\Velq", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D\\Deeper", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, "Software\\Velquist\\Direct3D", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, "Software\\Other", ERROR_SUCCESS},
        {reinterpret_cast<HKEY>(0x999), "Software", ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyA(c.root, c.path, &key), c.result) << c.path;
        if (c.result == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
    HKEY nested = nullptr;
    ASSERT_EQ(RegOpenKeyA(key, "Velquist\\Direct3D", &nested), ERROR_SUCCESS);
    RegCloseKey(nested);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryFileTest, ValuesHaveTheirTypesAndBytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", &key), ERROR_SUCCESS);
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"DisableMMX", REG_DWORD, std::string("\x01\x00\x00\x00", 4)},
        {"disablemathvariants", REG_DWORD, std::string("\xFE\xFF\xFF\xFF", 4)},
        {"Name", REG_SZ, std::string("say \"hi\" C:\\dir\0", 16)},
        {"Blob", REG_BINARY, std::string("\x01\x02\xFF", 3)},
        {"", REG_SZ, std::string("default\0", 8)},
        {nullptr, REG_SZ, std::string("default\0", 8)},
    };
    for (const Case& c : cases) {
        BYTE data[64];
        std::memset(data, 0xCC, sizeof(data));
        DWORD type = 0xDEAD;
        DWORD size = sizeof(data);
        ASSERT_EQ(RegQueryValueExA(key, c.name, nullptr, &type, data, &size), ERROR_SUCCESS)
            << (c.name ? c.name : "(null)");
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.bytes);
    }
    // A malformed line is ignored; a missing value is "file not found".
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Broken", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryFileTest, QuerySizeProtocol) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", &key), ERROR_SUCCESS);
    // No buffer: the size is reported.
    DWORD size = 0;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(type, REG_SZ);
    // A buffer too small: ERROR_MORE_DATA, the needed size, and the buffer untouched.
    char small[4] = {'x', 'x', 'x', 'x'};
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(std::string(small, 4), "xxxx");
    // A buffer without a size, or a reserved argument, is refused.
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Name", &reserved, nullptr, nullptr, &size),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryFileTest, NoFileOrNoHeaderMeansNoKeys) {
    HKEY key = nullptr;
    for (const std::string& path :
         {std::string(), ScratchPath("absent.reg"),
          WriteScratchFile("headless.reg", "[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=dword:1\n")}) {
        platform_test::SetRegistryFile(path);
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_FILE_NOT_FOUND) << path;
    }
}

TEST_F(RegistryFileTest, AChangedFileIsSeenAtTheNextOpen) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    WriteScratchFile("test.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Else]\n");
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Velquist\\Direct3D", &key),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace
