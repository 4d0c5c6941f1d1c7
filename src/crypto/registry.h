#pragma once
// The two process-wide registries of algorithm classes. Each keeps its classes
// in enrolment order with a display name and a comment; the position of a
// cipher is the algorithm index that a container header holds.
#include <string>
#include <string_view>

#include "base/string_list.h"
#include "crypto/cipher.h"
#include "crypto/hash.h"

namespace quellmark {

// The class name without the part up to and including its first "_"
// ("TCipher_SAFER_K40" gives "SAFER_K40"); unchanged when it has no "_".
std::string ShortClassName(std::string_view className);

template <class Info>
class TAlgorithmRegistry {
public:
    // Adds the class, or replaces its entry text in place; false when no class is given.
    bool Enrol(const Info* cls, std::string_view name, std::string_view comment);
    // By short class name first, then by display name, ignoring letter case.
    const Info* Lookup(std::string_view name) const;
    // The display name, or the short class name of an unregistered class.
    std::string Title(const Info& cls) const;
    std::string Comment(const Info& cls) const;

    // Entries "display name=comment", each with its `const Info*` attached.
    const TStringList& Entries() const { return entries_; }
    static const Info* ClassAt(const TStringList& list, std::size_t i);

private:
    std::ptrdiff_t IndexOf(const Info& cls) const;
    TStringList entries_;
};

using TCipherRegistry = TAlgorithmRegistry<TCipherClass>;
using THashRegistry = TAlgorithmRegistry<THashClass>;

// The registries, complete from their first use on.
TCipherRegistry& CipherRegistry();
THashRegistry& HashRegistry();

bool EnrolCipher(const TCipherClass* cls, std::string_view name, std::string_view comment);
bool EnrolHash(const THashClass* cls, std::string_view name, std::string_view comment);
// Appends every cipher's display name, with its class attached, in registry
// order; nothing when `list` is null.
void ListCipherNames(TStringList* list);
const TCipherClass* LookupCipherClass(std::string_view name);
const THashClass* LookupHashClass(std::string_view name);
std::string CipherTitle(const TCipherClass& cls);
std::string HashTitle(const THashClass& cls);
// The cipher that an unknown name selects: Blowfish.
const TCipherClass& FallbackCipherClass();

// Fill the registries in their fixed order (the catalogue).
void EnrolCatalogueHashes(THashRegistry& registry);
void EnrolCatalogueCiphers(TCipherRegistry& registry);

}  // namespace quellmark
