// What the container writer and the decoder put on disk: exactly the bytes
// one coding run over memory gives, whatever the sizes, and nothing half
// written when the disk fills.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "base/exception.h"
#include "base/streams.h"
#include "cabinet_fixture.h"
#include "container/container_writer.h"
#include "container/vossel_decoder.h"
#include "crypto/managers.h"
#include "crypto/registry.h"
#include "scoped_tmpfs.h"
#include "test_support.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

int32_t IndexOfClass(const std::string& className) {
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
        if (const TCipherClass* cls = TCipherRegistry::ClassAt(entries, i); cls && cls->className == className)
            return static_cast<int32_t>(i);
    ADD_FAILURE() << className << " is not registered";
    return -1;
}

// `bytes` coded in one run over memory streams, as stream coding does it.
std::string CodedInMemory(const std::string& className, const std::string& bytes, TProtectionAction action) {
    TCipherManager manager;
    manager.SetAlgorithm(className);
    manager.SetMode(cmCTS);
    manager.InitKey("password");
    TMemoryStream source(BytesOf(bytes)), dest;
    if (action == actEncipher)
        manager.EncipherStream(&source, &dest, source.Size());
    else
        manager.DecipherStream(&source, &dest, source.Size());
    return {dest.Bytes().begin(), dest.Bytes().end()};
}

class ContainerIoTest : public CabinetTest {};

TEST_F(ContainerIoTest, WriterAndDecoderCodeExactlyWhatOneRunInMemoryCodes) {
    std::mt19937 rng(16);
    // Around a chunk, around the streams' buffer, and several buffers long.
    const std::size_t sizes[] = {0, 1, 4095, 4097, 256 * 1024 - 1, 256 * 1024 + 4096 + 5, 700001};
    // Blowfish, the 12-byte block of 3-Way (a tail in every chunk), and a
    // stream cipher with its own state.
    for (const std::string className : {"TCipher_Blowfish", "TCipher_3Way", "TCipher_RC4"}) {
        const int32_t index = IndexOfClass(className);
        for (std::size_t size : sizes) {
            SCOPED_TRACE(className + ", " + std::to_string(size) + " bytes");
            const std::vector<uint8_t> plainBytes = RandomBytes(rng, size);
            const std::string plain(plainBytes.begin(), plainBytes.end());
            const std::string container = (root / Numbered("c", static_cast<long>(size))).string() + ".ozv";
            WriteContainer(MakeFile("plain.bin", plain), container, index, "password");

            std::string header(kContainerHeaderSize, '\0');
            for (int i = 0; i < 4; ++i) header[static_cast<std::size_t>(i)] = static_cast<char>(index >> (8 * i));
            const std::string written = ReadFile(container);
            ASSERT_EQ(written, header + CodedInMemory(className, plain, actEncipher));

            // Random bytes are no cabinet, so the decode fails and leaves
            // its temporary cabinet: the whole deciphered body.
            const std::string scratch = (root / Numbered("scratch", static_cast<long>(size))).string();
            fs::create_directory(scratch);
            TVosselDecoder decoder;
            TStringList names;
            EXPECT_ANY_THROW(decoder.DecodeContainer(names, container, scratch, "password"));
            ASSERT_TRUE(fs::exists(decoder.TempCabinet()));
            EXPECT_TRUE(ReadFile(decoder.TempCabinet()) == plain) << "the temporary cabinet differs";
        }
    }
}

TEST_F(ContainerIoTest, AFullDiskLeavesNoContainerAndTheOldOneAsItWas) {
    // The disk fills while the body is coded, or only with the last bytes
    // still held in the writer's buffer.
    const std::pair<long, std::size_t> cases[] = {{256, 600 * 1024}, {384, 450 * 1024}};
    for (const auto& [diskKib, cabinetSize] : cases) {
        SCOPED_TRACE(std::to_string(cabinetSize) + " bytes on " + std::to_string(diskKib) + " KiB");
        const std::string disk = (root / Numbered("disk", diskKib)).string();
        fs::create_directory(disk);
        ScopedTmpfs tmpfs(disk, diskKib);
        SKIP_UNLESS_MOUNTED(tmpfs);
        const std::string target = disk + "/old.ozv";
        MakeFile(Numbered("disk", diskKib) + "/old.ozv", "the container that was there before");
        std::mt19937 rng(3);
        const std::vector<uint8_t> large = RandomBytes(rng, cabinetSize);
        const std::string cabinet = MakeFile("large.cab", std::string(large.begin(), large.end()));
        try {
            WriteContainer(cabinet, target, IndexOfClass("TCipher_Blowfish"), "password");
            ADD_FAILURE() << "a container larger than the disk was reported as written";
        } catch (const Exception& e) {
            EXPECT_TRUE(Says(e.Message(), std::strerror(ENOSPC))) << e.Message();
        }
        EXPECT_EQ(FilesBeneath(disk), std::vector<std::string>{"old.ozv"}) << "a part of the new container stayed";
        EXPECT_EQ(ReadFile(target), "the container that was there before");
    }
}

}  // namespace

}  // namespace quellmark
