#include "cabinet/cab_format.h"

#include <cstdio>

#include "base/exception.h"
#include "base/streams.h"
#include "base/text.h"

namespace quellmark {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

bool ReadCabHeader(TStream& stream, CabHeader& header) {
    uint8_t raw[36];
    stream.ReadBuffer(raw, sizeof raw);
    if (raw[0] != 'M' || raw[1] != 'S' || raw[2] != 'C' || raw[3] != 'F') return false;
    header.cabinetSize = U32(raw + 8);
    header.firstEntryOffset = U32(raw + 16);
    header.versionMinor = raw[24];
    header.versionMajor = raw[25];
    header.folderCount = U16(raw + 26);
    header.fileCount = U16(raw + 28);
    header.flags = U16(raw + 30);
    header.setId = U16(raw + 32);
    header.cabinetIndex = U16(raw + 34);
    return true;
}

CabEntry ReadCabEntry(TStream& stream) {
    uint8_t raw[16];
    stream.ReadBuffer(raw, sizeof raw);
    CabEntry entry;
    entry.size = U32(raw);
    entry.folderOffset = U32(raw + 4);
    entry.folder = U16(raw + 8);
    entry.date = U16(raw + 10);
    entry.time = U16(raw + 12);
    entry.attributes = U16(raw + 14);
    char c;
    for (;;) {
        stream.ReadBuffer(&c, 1);
        if (c == '\0') break;
        if (entry.name.size() >= 256) throw EReadError("A file name in the cabinet is longer than the format allows");
        entry.name += c;
    }
    return entry;
}

std::string DisplayName(const std::string& storedName, uint16_t attributes) {
    std::string name = (attributes & kAttribNameIsUtf8) ? storedName : CodePageToUtf8(storedName, "CP1252");
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

bool IsSafeRelativeName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false;  // a drive prefix such as C:
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part.empty() || part == "..") return false;
        start = end + 1;
    }
    return true;
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find_first_of("/\\") != std::string::npos) return false;
    return !(name.size() >= 2 && name[1] == ':');  // a drive prefix such as C:
}

CabNeighbours ReadCabNeighbours(TStream& stream, const CabHeader& header) {
    if (header.flags & kCabFlagReservePresent) {
        uint8_t sizes[4];  // header reserve (16-bit), folder and data reserve (8-bit each)
        stream.ReadBuffer(sizes, sizeof sizes);
        stream.SetPosition(stream.Position() + U16(sizes));
    }
    auto readString = [&stream] {
        std::string text;
        char c;
        for (;;) {
            stream.ReadBuffer(&c, 1);
            if (c == '\0') return text;
            if (text.size() >= 255) throw EReadError("A cabinet name in the cabinet is longer than the format allows");
            text += c;
        }
    };
    CabNeighbours neighbours;
    if (header.flags & kCabFlagHasPrevious) {
        neighbours.previous = readString();
        readString();  // the previous disk
    }
    if (header.flags & kCabFlagHasNext) neighbours.next = readString();
    return neighbours;
}

std::vector<uint16_t> ReadCabFolderCompression(TStream& stream) {
    CabHeader header;
    if (!ReadCabHeader(stream, header)) return {};
    uint8_t folderReserve = 0;
    if (header.flags & kCabFlagReservePresent) {
        uint8_t sizes[4];  // header reserve (16-bit), folder and data reserve (8-bit each)
        stream.ReadBuffer(sizes, sizeof sizes);
        folderReserve = sizes[2];
        stream.SetPosition(stream.Position() + U16(sizes));
    }
    // The names of the neighbouring cabinets and their disks stand between
    // the header and the folder records.
    const int names = (header.flags & kCabFlagHasPrevious ? 2 : 0) + (header.flags & kCabFlagHasNext ? 2 : 0);
    for (int i = 0; i < names; ++i) {
        char c = 1;
        for (int length = 0; c != '\0'; ++length) {
            if (length > 255) throw EReadError("A cabinet name in the cabinet is longer than the format allows");
            stream.ReadBuffer(&c, 1);
        }
    }
    std::vector<uint16_t> types;
    types.reserve(header.folderCount);
    for (uint16_t i = 0; i < header.folderCount; ++i) {
        uint8_t raw[8];  // first data block (32-bit), block count, compression (16-bit each)
        stream.ReadBuffer(raw, sizeof raw);
        types.push_back(U16(raw + 6));
        stream.SetPosition(stream.Position() + folderReserve);
    }
    return types;
}

std::string CompressionName(uint16_t compression) {
    // The low four bits give the method; LZX keeps its window size in bits 8
    // to 12, Quantum its level in bits 4 to 7 and its window size in 8 to 12.
    const unsigned window = compression >> 8 & 0x1F;
    const unsigned level = compression >> 4 & 0x0F;
    switch (compression & 0x0F) {
    case 0: return "stored";
    case 1: return "MSZIP";
    case 2: return "Quantum:" + std::to_string(level) + "," + std::to_string(window);
    case 3: return "LZX:" + std::to_string(window);
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "unknown:%04X", compression);
        return text;
    }
    }
}

}  // namespace quellmark
