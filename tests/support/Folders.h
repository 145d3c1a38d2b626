// SPDX-License-Identifier: GPL-3.0-or-later
// Files and folders of a test's own.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tonvar::test {

// A fresh, empty folder for the running test, named after `prefix`, this
// process and the test, so that neither two tests nor two runs at once share
// one. The test removes it when done.
inline std::filesystem::path FreshTestFolder(const std::string &prefix)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// A file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace tonvar::test
