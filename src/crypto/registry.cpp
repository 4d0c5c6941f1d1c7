#include "crypto/registry.h"

#include "base/text.h"
#include "crypto/ciphers/blowfish.h"

namespace quellmark {

std::string ShortClassName(std::string_view className) {
    std::size_t cut = className.find('_');
    return std::string(cut == std::string_view::npos ? className : className.substr(cut + 1));
}

namespace {

// The display name: the given name trimmed, or else the class name without
// its leading "T" and everything up to its first "_".
std::string DisplayName(std::string_view className, std::string_view name) {
    std::string display = Trim(name);
    if (!display.empty()) return display;
    std::string_view rest = className;
    if (!rest.empty() && rest.front() == 'T') rest.remove_prefix(1);
    std::size_t cut = rest.find('_');
    return std::string(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
}

}  // namespace

template <class Info>
const Info* TAlgorithmRegistry<Info>::ClassAt(const TStringList& list, std::size_t i) {
    const auto* held = std::any_cast<const Info*>(&list.Objects(i));
    return held ? *held : nullptr;
}

template <class Info>
std::ptrdiff_t TAlgorithmRegistry<Info>::IndexOf(const Info& cls) const {
    return entries_.IndexOfObject<const Info*>(&cls);
}

template <class Info>
bool TAlgorithmRegistry<Info>::Enrol(const Info* cls, std::string_view name, std::string_view comment) {
    if (!cls) return false;
    std::string text = DisplayName(cls->className, name) + "=" + std::string(comment);
    std::ptrdiff_t at = IndexOf(*cls);
    if (at >= 0)
        entries_.SetString(static_cast<std::size_t>(at), std::move(text));
    else
        entries_.Add(std::move(text), cls);
    return true;
}

template <class Info>
const Info* TAlgorithmRegistry<Info>::Lookup(std::string_view name) const {
    std::size_t cut = name.find('_');
    if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
    for (std::size_t i = 0; i < entries_.Count(); ++i) {
        const Info* cls = ClassAt(entries_, i);
        if (SameText(ShortClassName(cls->className), name)) return cls;
    }
    for (std::size_t i = 0; i < entries_.Count(); ++i) {
        if (SameText(entries_.Names(i), name)) return ClassAt(entries_, i);
    }
    return nullptr;
}

template <class Info>
std::string TAlgorithmRegistry<Info>::Title(const Info& cls) const {
    std::ptrdiff_t at = IndexOf(cls);
    return at >= 0 ? entries_.Names(static_cast<std::size_t>(at)) : ShortClassName(cls.className);
}

template <class Info>
std::string TAlgorithmRegistry<Info>::Comment(const Info& cls) const {
    std::ptrdiff_t at = IndexOf(cls);
    if (at < 0) return {};
    const std::string& text = entries_[static_cast<std::size_t>(at)];
    return text.substr(text.find('=') + 1);
}

template class TAlgorithmRegistry<TCipherClass>;
template class TAlgorithmRegistry<THashClass>;

TCipherRegistry& CipherRegistry() {
    static TCipherRegistry registry = [] {
        TCipherRegistry r;
        EnrolCatalogueCiphers(r);
        return r;
    }();
    return registry;
}

THashRegistry& HashRegistry() {
    static THashRegistry registry = [] {
        THashRegistry r;
        EnrolCatalogueHashes(r);
        return r;
    }();
    return registry;
}

bool EnrolCipher(const TCipherClass* cls, std::string_view name, std::string_view comment) {
    return CipherRegistry().Enrol(cls, name, comment);
}

bool EnrolHash(const THashClass* cls, std::string_view name, std::string_view comment) {
    return HashRegistry().Enrol(cls, name, comment);
}

void ListCipherNames(TStringList* list) {
    if (!list) return;
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) list->Add(entries.Names(i), entries.Objects(i));
}

const TCipherClass* LookupCipherClass(std::string_view name) { return CipherRegistry().Lookup(name); }
const THashClass* LookupHashClass(std::string_view name) { return HashRegistry().Lookup(name); }
std::string CipherTitle(const TCipherClass& cls) { return CipherRegistry().Title(cls); }
std::string HashTitle(const THashClass& cls) { return HashRegistry().Title(cls); }
const TCipherClass& FallbackCipherClass() { return TCipher_Blowfish::Class; }

}  // namespace quellmark
