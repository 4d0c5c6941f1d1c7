// ozv hash with every registered hash, from a file and from standard input.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "base/streams.h"
#include "crypto/managers.h"
#include "crypto/registry.h"
#include "run_process.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(OzvHash, EveryRegisteredHashPrintsTheLibraryDigestForAFileAndStandardInput) {
    // An odd size over two 4096-byte chunks, so the tool hashes in pieces.
    std::mt19937 rng(28);
    const std::vector<uint8_t> data = RandomBytes(rng, 10001);
    const std::string text(data.begin(), data.end());
    const std::string file = "/tmp/ozv-hash-input-" + std::to_string(getpid());
    std::ofstream(file, std::ios::binary) << text;

    const TStringList& entries = HashRegistry().Entries();
    ASSERT_GT(entries.Count(), 0u);
    for (std::size_t e = 0; e < entries.Count(); ++e) {
        const THashClass* cls = THashRegistry::ClassAt(entries, e);
        const std::string name = entries.Names(e);  // the display name, as a user types it
        THashManager manager;
        manager.SetAlgorithm(cls->className);
        TMemoryStream stream(data);
        const std::string expected = Hex(manager.CalcStream(stream, -1));
        ASSERT_EQ(expected.size(), 2u * static_cast<std::size_t>(cls->digestSize)) << name;

        ProcessResult fromFile = RunOzvProcess({"hash", "-a", name, file});
        EXPECT_EQ(fromFile.status, 0) << name << ": " << fromFile.err;
        EXPECT_EQ(fromFile.out, expected + "  " + file + "\n") << name;

        ProcessResult fromInput = RunOzvProcess({"hash", "-a", name}, text);
        EXPECT_EQ(fromInput.status, 0) << name << ": " << fromInput.err;
        EXPECT_EQ(fromInput.out, expected + "  -\n") << name;
    }
    std::remove(file.c_str());
}

}  // namespace

}  // namespace quellmark
