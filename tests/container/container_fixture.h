#pragma once
// Builds files, cabinets and containers for the tests, in a temporary
// directory removed afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cabinet/cab_writer.h"

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `content` to `relative` beneath the temporary directory; returns its path.
    std::string MakeFile(const std::string& relative, const std::string& content);
    std::string ReadFile(const std::string& path) const;
    // Every regular file beneath `directory`, as relative paths, sorted.
    std::vector<std::string> FilesBeneath(const std::string& directory) const;
    // A cabinet of the given (stored name, content) pairs.
    std::string MakeCabinet(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
                            bool compress = true, uint32_t attributes = 0);

    std::filesystem::path root;
};
