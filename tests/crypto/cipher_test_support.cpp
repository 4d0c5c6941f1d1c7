#include "crypto/cipher_test_support.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "vector_file.h"

namespace quellmark {

void ExpectBlockVectors(const TCipherClass& cls, const std::string& vectorFile) {
    auto cipher = cls.create();
    for (const VectorRecord& record : ReadVectors(vectorFile)) {
        std::vector<uint8_t> key = record.Bytes("Key"), block = record.Bytes("In");
        ASSERT_EQ(block.size(), static_cast<std::size_t>(cipher->BlockSize())) << vectorFile << " line " << record.line;
        cipher->Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
        cipher->EncipherBlock(block.data());
        EXPECT_EQ(HexOf(block), record.Text("Out")) << vectorFile << " line " << record.line;
        cipher->DecipherBlock(block.data());
        EXPECT_EQ(HexOf(block), record.Text("In")) << vectorFile << " line " << record.line;
    }
}

}  // namespace quellmark
