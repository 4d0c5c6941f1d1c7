#include "mail_fixture.h"

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

std::string MailTest::Payload(const std::string& name, size_t size) {
    std::mt19937 rng(seed_++);
    const auto bytes = RandomBytes(rng, size);
    return MakeFile("payload/" + name, std::string(bytes.begin(), bytes.end()));
}

}  // namespace quellmark
