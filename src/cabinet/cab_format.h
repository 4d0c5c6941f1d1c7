#pragma once
// The MS-CAB file directory, read straight from the cabinet: the header
// fields and one record per file entry, in directory order.
#include <cstdint>
#include <string>
#include <vector>

namespace quellmark {

class TStream;

constexpr uint16_t kFolderContinuedFromPrev = 0xFFFD;
constexpr uint16_t kFolderContinuedToNext = 0xFFFE;
constexpr uint16_t kFolderContinuedPrevAndNext = 0xFFFF;
constexpr uint16_t kCabFlagHasPrevious = 0x0001;
constexpr uint16_t kCabFlagHasNext = 0x0002;
constexpr uint16_t kCabFlagReservePresent = 0x0004;
constexpr uint16_t kAttribNameIsUtf8 = 0x80;
constexpr uint16_t kAttribExecute = 0x40;

struct CabEntry {
    std::string name;  // as stored: backslashes, code page of the cabinet
    uint32_t size = 0;
    uint32_t folderOffset = 0;
    uint16_t folder = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = 0;
};

struct CabHeader {
    uint32_t cabinetSize = 0;
    uint32_t firstEntryOffset = 0;
    uint8_t versionMinor = 0, versionMajor = 0;
    uint16_t folderCount = 0;
    uint16_t fileCount = 0;
    uint16_t flags = 0;
    uint16_t setId = 0;
    uint16_t cabinetIndex = 0;
};

// The 36-byte header at the stream's position; false when it lacks "MSCF".
bool ReadCabHeader(TStream& stream, CabHeader& header);
// One file entry at the stream's position. Throws EReadError when the
// directory ends early; a name is at most 256 bytes by the format.
CabEntry ReadCabEntry(TStream& stream);

// A stored name as this system shows it: UTF-8 (names not flagged UTF-8 are
// Windows-1252), with "/" between directories.
std::string DisplayName(const std::string& storedName, uint16_t attributes);

// True when a stored name stays beneath the directory it is extracted to:
// not absolute, no drive prefix, no ".." or empty component.
bool IsSafeRelativeName(const std::string& name);

// True when a cabinet name read from a cabinet (the next one of its set)
// names a file beside that cabinet and nothing else: no directory part, no
// drive prefix, not "." or "..".
bool IsPlainFileName(const std::string& name);

// The cabinets before and after this one in its set, as its header names
// them (in the cabinet's code page); empty when there is none.
struct CabNeighbours {
    std::string previous;
    std::string next;
};
// Reads them from the stream positioned just after the 36-byte header.
CabNeighbours ReadCabNeighbours(TStream& stream, const CabHeader& header);

// The compression field of each folder of the cabinet whose header is at the
// stream's position, in folder order. Throws EReadError when the folder
// records end early; empty when the stream holds no cabinet.
std::vector<uint16_t> ReadCabFolderCompression(TStream& stream);

// A folder's compression field as a short name: "stored", "MSZIP",
// "LZX:<window bits>", "Quantum:<level>,<window bits>", or "unknown:<hex>".
std::string CompressionName(uint16_t compression);

}  // namespace quellmark
