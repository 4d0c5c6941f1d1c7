#include "cli/inspect.h"

#include <filesystem>

#include "cli/json.h"
#include "cli/stdin_container.h"
#include "container/vossel_decoder.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

int32_t RegistryIndexOf(const TCipherClass& cls) {
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
        if (TCipherRegistry::ClassAt(entries, i) == &cls) return static_cast<int32_t>(i);
    return -1;
}

}  // namespace

ContainerFacts InspectContainer(const std::string& path) {
    ContainerFacts facts;
    // A container read from standard input is shown as "-", not as its private copy.
    facts.path = IsSpooledInput(path) ? "-" : path;
    facts.index = ReadAlgorithmIndex(path);
    TVosselDecoder names;  // only for the index-to-name rule
    facts.namedCipher = names.AlgorithmAt(facts.index);
    // The decoder keys whatever the index names, and Blowfish when that is
    // no cipher it has.
    const TCipherClass* named = LookupCipherClass(facts.namedCipher);
    facts.namedAvailable = named != nullptr;
    const TCipherClass& used = named ? *named : FallbackCipherClass();
    facts.decipheredAs = CipherTitle(used);
    facts.decipheredIndex = RegistryIndexOf(used);
    facts.size = std::filesystem::file_size(path);
    facts.bodySize = facts.size >= 256 ? facts.size - 256 : 0;
    return facts;
}

std::string DescribeCipher(const ContainerFacts& facts) {
    const std::string index = std::to_string(facts.index) + "  ";
    const std::string fallback =
        "deciphered as " + facts.decipheredAs + ", index " + std::to_string(facts.decipheredIndex) + ")";
    if (facts.namedCipher.empty()) return index + "(no such cipher; " + fallback;
    if (!facts.namedAvailable) return index + facts.namedCipher + " (not in this build; " + fallback;
    return index + facts.decipheredAs;
}

std::string AttributeLetters(uint16_t attributes) {
    static constexpr struct {
        uint16_t bit;
        char letter;
    } kLetters[] = {{0x01, 'r'}, {0x02, 'h'}, {0x04, 's'}, {0x20, 'a'}, {0x40, 'x'}};
    std::string letters;
    for (const auto& [bit, letter] : kLetters) letters += (attributes & bit) ? letter : '-';
    return letters;
}

std::string IsoStamp(uint16_t date, uint16_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", (date >> 9) + 1980, (date >> 5) & 15, date & 31,
                  time >> 11, (time >> 5) & 63, (time & 31) * 2);
    return text;
}

std::string LongListLine(const InspectedEntry& entry) {
    std::string stamp = IsoStamp(entry.date, entry.time);
    stamp[10] = ' ';
    char line[96];
    std::snprintf(line, sizeof line, "%s  %10u  %s  %-11s %5u  ", AttributeLetters(entry.attributes).c_str(),
                  entry.size, stamp.c_str(), entry.compression.empty() ? "?" : entry.compression.c_str(),
                  static_cast<unsigned>(entry.folder));
    std::string text = line + entry.name;
    if (!entry.unextractable.empty()) text += "  (cannot be extracted: it " + entry.unextractable + ")";
    return text;
}

std::string JsonObject(const ContainerFacts& facts, std::optional<bool> passwordOpens,
                       const std::vector<InspectedEntry>* entries) {
    std::string json = "{\"container\": " + JsonString(facts.path);
    if (!facts.mail.empty()) json += ", \"mail\": " + JsonString(facts.mail) + ", \"location\": " + JsonString(facts.location);
    json += ", \"cipher_index\": " + std::to_string(facts.index);
    json += ", \"cipher_name\": " + (facts.namedCipher.empty() ? std::string("null") : JsonString(facts.namedCipher));
    json += ", \"cipher_available\": " + std::string(facts.namedAvailable ? "true" : "false");
    json += ", \"deciphered_as\": " + JsonString(facts.decipheredAs);
    json += ", \"container_size\": " + std::to_string(facts.size);
    json += ", \"body_size\": " + std::to_string(facts.bodySize);
    if (passwordOpens) json += ", \"password_opens\": " + std::string(*passwordOpens ? "true" : "false");
    if (entries) {
        json += ", \"entries\": [";
        bool first = true;
        for (const auto& entry : *entries) {
            json += first ? "\n  " : ",\n  ";
            first = false;
            json += "{\"name\": " + JsonString(entry.name) + ", \"size\": " + std::to_string(entry.size) +
                    ", \"time\": \"" + IsoStamp(entry.date, entry.time) + "\", \"attributes\": \"" +
                    AttributeLetters(entry.attributes) + "\", \"attribute_bits\": " + std::to_string(entry.attributes) +
                    ", \"folder\": " + std::to_string(entry.folder) + ", \"compression\": " +
                    (entry.compression.empty() ? std::string("null") : JsonString(entry.compression));
            if (!entry.unextractable.empty()) json += ", \"cannot_extract\": " + JsonString("it " + entry.unextractable);
            json += "}";
        }
        json += entries->empty() ? "]" : "\n]";
    }
    return json += "}";
}

void PrintJson(std::FILE* out, const ContainerFacts& facts, std::optional<bool> passwordOpens,
               const std::vector<InspectedEntry>* entries) {
    std::fputs((JsonObject(facts, passwordOpens, entries) + "\n").c_str(), out);
}

void PrintJsonArray(std::FILE* out, const std::vector<std::string>& objects) {
    std::string json = "[";
    for (std::size_t i = 0; i < objects.size(); ++i) json += (i == 0 ? "\n" : ",\n") + objects[i];
    json += objects.empty() ? "]\n" : "\n]\n";
    std::fputs(json.c_str(), out);
}

}  // namespace quellmark
