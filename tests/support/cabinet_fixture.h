#pragma once
// A temporary directory that can also hold cabinets made with our writer,
// and cabinets put together byte by byte for what the writer cannot make.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"

namespace quellmark {

class CabinetTest : public TempDirTest {
protected:
    // A cabinet of the given (stored name, content) pairs.
    std::string MakeCabinet(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
                            bool compress = true, uint32_t attributes = 0);
};

// One file of a hand-made cabinet, stored in a folder and data block of its own.
struct HandMadeFile {
    std::string name;
    std::string block;         // this cabinet's part of the file's data
    uint16_t folder = 0;       // 0xFFFD begun in the previous cabinet, 0xFFFE going on in the next,
                               // 0xFFFF both; any other value: the file's own folder
    uint32_t size = 0;         // the whole file's size; the block's when 0
    bool blockGoesOn = false;  // the block is cut and ends in the next cabinet
};

// A stored cabinet for what libgcab cannot make: cabinets of a set, and
// files cut across them. The cabinet's folders follow its files' order, so a
// file begun in the previous cabinet comes first and one that goes on in the
// next comes last, as the format has them.
struct HandMade {
    std::vector<HandMadeFile> files;
    std::string previousCabinet;  // named as the previous cabinet of the set when not empty
    std::string nextCabinet;      // named as the next cabinet of the set when not empty
    uint16_t cabinetNumber = 0;
};

std::string HandMadeCabinet(const HandMade& cabinet);
// One whole file, in a cabinet that may name a next one.
std::string HandMadeCabinet(const std::string& fileName, const std::string& content, const std::string& nextCabinet);

}  // namespace quellmark
