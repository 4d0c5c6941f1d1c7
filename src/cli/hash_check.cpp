#include "cli/hash_check.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "base/streams.h"
#include "base/text.h"
#include "cli/hash_names.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "<hex>  <name>" or sha256sum's binary form "<hex> *<name>"; false for any other line.
bool SplitListLine(const std::string& line, std::size_t digestChars, std::string& digest, std::string& name) {
    if (line.size() < digestChars + 3 || line[digestChars] != ' ') return false;
    if (line[digestChars + 1] != ' ' && line[digestChars + 1] != '*') return false;
    for (std::size_t i = 0; i < digestChars; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(line[i]))) return false;
    digest = Lower(line.substr(0, digestChars));
    name = line.substr(digestChars + 2);
    return true;
}

const char* Plural(int n, const char* one, const char* many) { return n == 1 ? one : many; }

}  // namespace

std::string DigestOfFile(THashManager& manager, const std::string& file) {
    std::string digest;
    if (file == "-") {
        THandleStream in(STDIN_FILENO);
        digest = manager.CalcStream(in, INT64_MAX);
    } else {
        TFileStream in(file, FileMode::OpenRead);
        digest = manager.CalcStream(in, -1);
    }
    return HexOf(reinterpret_cast<const uint8_t*>(digest.data()), digest.size());
}

void PrintHashList() {
    const TStringList& hashes = HashRegistry().Entries();
    for (std::size_t i = 0; i < hashes.Count(); ++i) {
        const THashClass& cls = *THashRegistry::ClassAt(hashes, i);
        std::string names;
        for (const std::string& name : AcceptedHashNames(cls)) names += (names.empty() ? "" : ", ") + name;
        std::printf("%-26s  %3d bits  %s\n", HashTitle(cls).c_str(), cls.digestSize * 8, names.c_str());
        if (std::string note = HashNote(cls); !note.empty()) std::printf("%28snote: %s\n", "", note.c_str());
    }
    std::printf("\nNames match without regard to case and punctuation (SHA-1, sha1 and Sha_1 are one).\n");
}

int CheckHashList(THashManager& manager, const std::string& listFile) {
    std::ifstream file;
    if (listFile != "-") {
        file.open(listFile, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "ozv: cannot open the list \"%s\"\n", listFile.c_str());
            return 1;
        }
    }
    std::istream& list = listFile == "-" ? std::cin : file;
    const std::size_t digestChars = 2 * static_cast<std::size_t>(manager.Hash().DigestSize());
    int good = 0, mismatched = 0, unreadable = 0, malformed = 0;
    std::string line;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string expected, name;
        if (!SplitListLine(line, digestChars, expected, name)) {
            ++malformed;
            continue;
        }
        std::string actual;
        try {
            actual = DigestOfFile(manager, name);
        } catch (const Exception& e) {
            std::fprintf(stderr, "ozv: %s\n", e.Message().c_str());
            std::printf("%s: FAILED open or read\n", name.c_str());
            ++unreadable;
            continue;
        }
        if (Lower(actual) == expected) {
            std::printf("%s: OK\n", name.c_str());
            ++good;
        } else {
            std::printf("%s: FAILED\n", name.c_str());
            ++mismatched;
        }
    }
    std::fflush(stdout);
    if (good + mismatched + unreadable == 0) {
        const THashClass* cls = LookupHashClass(manager.Hash().ClassName());
        std::fprintf(stderr, "ozv: %s: no properly formatted %s checksum lines found\n", listFile.c_str(),
                     cls ? HashTitle(*cls).c_str() : manager.Hash().ClassName().c_str());
        return 1;
    }
    if (malformed)
        std::fprintf(stderr, "ozv: WARNING: %d %s improperly formatted\n", malformed,
                     Plural(malformed, "line is", "lines are"));
    if (unreadable)
        std::fprintf(stderr, "ozv: WARNING: %d listed %s could not be read\n", unreadable,
                     Plural(unreadable, "file", "files"));
    if (mismatched)
        std::fprintf(stderr, "ozv: WARNING: %d computed %s did NOT match\n", mismatched,
                     Plural(mismatched, "checksum", "checksums"));
    return mismatched || unreadable ? 1 : 0;
}

}  // namespace quellmark
