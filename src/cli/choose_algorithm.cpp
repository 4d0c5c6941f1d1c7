#include <charconv>

#include "cli/commands.h"
#include "cli/hash_names.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

template <class Info>
std::string ValidNames(const TAlgorithmRegistry<Info>& registry, bool withIndex) {
    std::string names;
    const TStringList& entries = registry.Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        names += "\n  ";
        if (withIndex) names += std::to_string(i) + "  ";
        names += entries.Names(i);
    }
    return names;
}

}  // namespace

const TCipherClass& ChooseCipher(const std::string& name) {
    const TCipherRegistry& registry = CipherRegistry();
    std::size_t index = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
    if (error == std::errc() && end == name.data() + name.size() && !name.empty()) {
        if (index >= registry.Entries().Count())
            throw UsageError{"there is no cipher with index " + name + "; the valid ones are:" + ValidNames(registry, true)};
        return *registry.ClassAt(registry.Entries(), index);
    }
    if (const TCipherClass* cls = LookupCipherClass(name)) return *cls;
    throw UsageError{"unknown cipher \"" + name + "\"; the valid names are:" + ValidNames(registry, true)};
}

const THashClass& ChooseHash(const std::string& name) {
    if (const THashClass* cls = LookupHashClass(name)) return *cls;
    if (const THashClass* cls = FindHashByAnyName(name)) return *cls;
    throw UsageError{"unknown hash \"" + name + "\"; the valid names are:" + ValidNames(HashRegistry(), false) +
                     "\n(\"ozv hash --list\" shows every accepted spelling)"};
}

}  // namespace quellmark
