#pragma once
// What `ozv info` and `ozv list` print: the container's facts and its
// entries, as text for people or as one JSON object for scripts.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace quellmark {

struct ContainerFacts {
    std::string path;
    int32_t index = 0;          // the cipher index in the header
    std::string namedCipher;    // the cipher that index names, "" when none
    bool namedAvailable = false;  // whether that cipher is in this build
    std::string decipheredAs;   // the cipher the body is deciphered with
    int32_t decipheredIndex = -1;
    uintmax_t size = 0;         // the whole container
    uintmax_t bodySize = 0;     // the cabinet after the 256-byte header
    // For a container found in mail: the mail as given on the command line
    // and where in it the container sits; "" otherwise.
    std::string mail, location;
};

struct InspectedEntry {
    std::string name;  // UTF-8, "/" between directories
    uint32_t size = 0;
    uint16_t folder = 0;  // the folder holding (the part in this cabinet of) the entry
    uint16_t date = 0, time = 0, attributes = 0;
    std::string compression;    // of its folder, "" when unknown
    std::string unextractable;  // why it cannot be extracted, "" when it can
};

// The header's facts of a container at least 256 bytes long.
ContainerFacts InspectContainer(const std::string& path);

// The cipher as `info` shows it: "1  Blowfish", or for an index naming no
// cipher "77  (no such cipher; deciphered as Blowfish, index 1)".
std::string DescribeCipher(const ContainerFacts& facts);

// Attribute letters in fixed places, "-" where unset: r read-only, h hidden,
// s system, a archive, x run after extraction.
std::string AttributeLetters(uint16_t attributes);

// "2024-05-01T12:30:00": the stamp as stored, local time without a zone.
std::string IsoStamp(uint16_t date, uint16_t time);

// One line of `ozv list -l`: attributes, size, date and time, compression,
// folder, name.
std::string LongListLine(const InspectedEntry& entry);

// The JSON object of `info --json` and `list --json`. `passwordOpens` is
// written when a password was tried; `entries` when they are known.
void PrintJson(std::FILE* out, const ContainerFacts& facts, std::optional<bool> passwordOpens,
               const std::vector<InspectedEntry>* entries);

// The same object as text, without the line end (for an array of them).
std::string JsonObject(const ContainerFacts& facts, std::optional<bool> passwordOpens,
                       const std::vector<InspectedEntry>* entries);

// `objects` as one JSON array, one object after another.
void PrintJsonArray(std::FILE* out, const std::vector<std::string>& objects);

}  // namespace quellmark
