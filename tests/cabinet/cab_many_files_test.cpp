// Cabinets whose directory and data run across many of the pieces the reader
// takes from the file at a time: every entry must still come out whole and
// under its own name, in its own directory.
#include <gtest/gtest.h>

#include <random>

#include "cabinet/cab_reader.h"
#include "cabinet_fixture.h"
#include "test_support.h"

namespace quellmark {

namespace {

class CabManyFilesTest : public CabinetTest {};

TEST_F(CabManyFilesTest, EveryEntryOfALargeDirectoryListsAndUnpacksWhole) {
    std::mt19937 rng(7);
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 300; ++i) {
        // Names of every length up to a long one, so that entries straddle
        // the reader's pieces at every offset; contents from empty to
        // several pieces long.
        const std::string name = "dir" + std::to_string(i % 7) + "\\" + std::string(1 + rng() % 90, 'n') +
                                 Numbered("-", i) + ".bin";
        const std::size_t size = i % 10 == 0 ? 20000 + rng() % 50000 : rng() % 3000;
        const std::vector<uint8_t> bytes = RandomBytes(rng, size);
        files.push_back({name, std::string(bytes.begin(), bytes.end())});
    }
    for (bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "MSZIP" : "stored");
        const std::string cabinet = MakeCabinet(compress ? "z.cab" : "s.cab", files, compress);
        TSTCabReader reader;
        std::vector<std::string> listed;
        ASSERT_TRUE(reader.ListCabinetFiles(cabinet, [&](TSTCabReader&, const std::string& name, int32_t, uint16_t,
                                                         uint16_t, uint16_t, uint16_t, bool&) { listed.push_back(name); }));
        ASSERT_EQ(listed.size(), files.size());
        const std::string out = (root / (compress ? "z" : "s")).string();
        reader.ExtractCabinet(cabinet, out, true);
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::string expected = files[i].first;
            for (char& c : expected)
                if (c == '\\') c = '/';
            ASSERT_EQ(listed[i], expected);
            ASSERT_EQ(ReadFile(out + "/" + expected), files[i].second) << expected;
        }
    }
}

}  // namespace

}  // namespace quellmark
