#include "temp_dir.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace quellmark {

void TempDirTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quellmark-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
}

void TempDirTest::TearDown() {
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root, ignored);
}

std::string TempDirTest::MakeFile(const std::string& relative, const std::string& content) {
    const auto path = root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

std::string TempDirTest::ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> TempDirTest::FilesBeneath(const std::string& directory) const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory))
        if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), directory).string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace quellmark
