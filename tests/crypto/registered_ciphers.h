#pragma once
// Every cipher class of the registry, in its order.
#include <vector>

#include "crypto/registry.h"

namespace quellmark {

inline std::vector<const TCipherClass*> RegisteredCiphers() {
    std::vector<const TCipherClass*> classes;
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
        if (const TCipherClass* cls = TCipherRegistry::ClassAt(entries, i)) classes.push_back(cls);
    return classes;
}

}  // namespace quellmark
