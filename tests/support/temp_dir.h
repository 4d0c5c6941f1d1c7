#pragma once
// A temporary directory for one test, removed afterwards, with helpers that
// make and read files in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quellmark {

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `content` to `relative` beneath the temporary directory; returns its path.
    std::string MakeFile(const std::string& relative, const std::string& content);
    std::string ReadFile(const std::string& path) const;
    // Every regular file beneath `directory`, as relative paths, sorted.
    std::vector<std::string> FilesBeneath(const std::string& directory) const;

    std::filesystem::path root;
};

}  // namespace quellmark
