// Directories opened beneath a base, never through a link, and the cache
// that keeps the last one open.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/safe_paths.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

class SafePathsTest : public TempDirTest {
protected:
    // Whether `fd` is the directory at `path`.
    static bool Is(int fd, const fs::path& path) {
        struct stat opened {}, named {};
        return fd >= 0 && ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
               opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    }
};

TEST_F(SafePathsTest, TheCacheOpensCreatesAndRefusesLinksLikeAWalk) {
    const std::string base = (root / "base").string();
    TDirectoryCache cache;
    EXPECT_LT(cache.Open(base, "a/b", false), 0) << "nothing is made without being asked";
    EXPECT_FALSE(fs::exists(base));
    const int ab = cache.Open(base, "a/b", true);
    EXPECT_TRUE(Is(ab, root / "base/a/b"));
    EXPECT_EQ(cache.Open(base, "a/b", false), ab) << "the same directory again is the open one";
    const int a = cache.Open(base, "a", false);
    EXPECT_TRUE(Is(a, root / "base/a")) << "another directory is another walk";
    EXPECT_TRUE(Is(cache.Open(base, "", false), root / "base"));

    // A link put in place of a directory is refused by the next walk.
    fs::create_directory(root / "elsewhere");
    fs::rename(root / "base/a/b", root / "old-b");
    fs::create_directory_symlink(root / "elsewhere", root / "base/a/b");
    EXPECT_LT(cache.Open(base, "a/b", true), 0);
    EXPECT_LT(OpenDirectoryBeneath(base, "a/b/c", true), 0);
    EXPECT_FALSE(fs::exists(root / "elsewhere/c"));
    cache.Clear();
}

}  // namespace

}  // namespace quellmark
