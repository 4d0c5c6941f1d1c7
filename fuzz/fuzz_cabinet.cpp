// A cabinet from arbitrary bytes: listed, then extracted into a fresh
// directory, where only plain files and directories may appear.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/exception.h"
#include "cabinet/cab_reader.h"
#include "sandbox.h"

using namespace quellmark;

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = Sandbox().NewCase();
    const std::string cabinet = dir + "/in.cab";
    const std::string destination = dir + "/out";
    fs::create_directory(destination);
    std::ofstream(cabinet, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    TSTCabReader reader;
    // Run-after-extract must never start a program from a fuzzed cabinet.
    reader.ShellOpen = [](const std::string&) {};
    try {
        reader.ListCabinetFiles(cabinet, [](TSTCabReader&, const std::string&, int32_t, uint16_t, uint16_t, uint16_t,
                                            uint16_t, bool&) {});
    } catch (const Exception&) {
    }
    try {
        reader.ExtractCabinet(cabinet, destination, false);
    } catch (const Exception&) {
    }
    // Extraction may leave only directories and regular files, all below the destination.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(destination, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const auto status = it->symlink_status();
        if (!fs::is_directory(status) && !fs::is_regular_file(status)) {
            std::fprintf(stderr, "extraction made a special file: %s\n", it->path().c_str());
            std::abort();
        }
    }
    Sandbox().EndCase();
    return 0;
}
