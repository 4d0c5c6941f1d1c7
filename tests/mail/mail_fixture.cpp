#include "mail_fixture.h"

#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "test_support.h"

namespace quellmark {

void MailTest::SetUp() {
    TempDirTest::SetUp();
    out = (root / "out").string();
    std::filesystem::create_directory(out);
}

void MailTest::ClearOut() {
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
}

void MailTest::ExpectCopyOf(const MailContainer& found, const std::string& payload) {
    EXPECT_EQ(ReadFile(found.path), ReadFile(payload)) << found.name;
    EXPECT_EQ(found.size, std::filesystem::file_size(payload)) << found.name;
    EXPECT_EQ(std::filesystem::path(found.path).parent_path(), std::filesystem::path(out));
    struct stat status {};
    ASSERT_EQ(::stat(found.path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

void MailTest::ExpectSaved(const std::vector<MailContainer>& found, const std::vector<Expected>& expected) {
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].name, expected[i].name);
        EXPECT_EQ(found[i].location, expected[i].location);
        ExpectCopyOf(found[i], expected[i].payload);
    }
}

std::string MailTest::Payload(const std::string& name, size_t size) {
    std::mt19937 rng(seed_++);
    const auto bytes = RandomBytes(rng, size);
    return MakeFile("payload/" + name, std::string(bytes.begin(), bytes.end()));
}

}  // namespace quellmark
