// Files that a test writes into its own scratch folder.
#pragma once

#include <unistd.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

// A path in the test's scratch folder, unique to this process.
inline std::string ScratchPath(const std::string& name) {
    return testing::TempDir() + "orbique_" + std::to_string(getpid()) + "_" + name;
}

// Writes `contents` to a scratch file and gives its path.
inline std::string WriteScratchFile(const std::string& name, const std::string& contents) {
    std::string path = ScratchPath(name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
    return path;
}
