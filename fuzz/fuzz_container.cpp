// The whole decode of a container, from arbitrary bytes, into a fresh
// directory with a fixed password.
//
// The first byte chooses how the rest is used:
//   even: the rest is a cabinet; it is enciphered into a container under
//         the password with the cipher at index (first byte / 2) % 40, so
//         the decoder deciphers it back and every cipher (and index 39,
//         outside the list) leads on into the cabinet reader;
//   odd:  the rest is the container file itself, header and all.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/exception.h"
#include "base/string_list.h"
#include "container/container_writer.h"
#include "container/vossel_decoder.h"
#include "sandbox.h"

using namespace quellmark;

namespace {

const char kPassword[] = "quellmark";

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string dir = Sandbox().NewCase();
    const std::string container = dir + "/mail.ozv";
    const std::string scratch = dir + "/scratch";
    std::filesystem::create_directory(scratch);
    try {
        if (data[0] % 2 == 0) {
            const std::string cabinet = dir + "/body.cab";
            WriteBytes(cabinet, data + 1, size - 1);
            WriteContainer(cabinet, container, (data[0] / 2) % 40, kPassword);
        } else {
            WriteBytes(container, data + 1, size - 1);
        }
    } catch (const Exception&) {
        // Index 39 names no cipher: the writer refuses it; decode the
        // container as a header of that index with the bytes behind it.
        uint8_t header[kContainerHeaderSize] = {39};
        std::ofstream out(container, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    TStringList files;
    TVosselDecoder decoder;
    try {
        decoder.DecodeContainer(files, container, scratch, kPassword);
    } catch (const Exception&) {
        // A refused container is the expected outcome for most inputs.
    }
    Sandbox().EndCase();
    return 0;
}
