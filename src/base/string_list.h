#pragma once
// An ordered list of strings in which each entry may carry an object or a
// class reference (kept as std::any, so the list stays type-neutral).
#include <any>
#include <cstddef>
#include <string>
#include <vector>

namespace quellmark {

class TStringList {
public:
    struct Entry {
        std::string text;
        std::any object;
    };

    std::size_t Add(std::string text, std::any object = {}) {
        entries_.push_back({std::move(text), std::move(object)});
        return entries_.size() - 1;
    }
    std::size_t Count() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    void Clear() { entries_.clear(); }

    const std::string& operator[](std::size_t i) const { return entries_.at(i).text; }
    const std::string& Strings(std::size_t i) const { return entries_.at(i).text; }
    void SetString(std::size_t i, std::string text) { entries_.at(i).text = std::move(text); }
    const std::any& Objects(std::size_t i) const { return entries_.at(i).object; }

    // The part of entry i before its first "=" (the whole text when it has none).
    std::string Names(std::size_t i) const {
        const std::string& text = Strings(i);
        return text.substr(0, text.find('='));
    }

    // Position of the first entry whose object is `object`, or -1.
    template <class T>
    std::ptrdiff_t IndexOfObject(const T& object) const {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const T* held = std::any_cast<T>(&entries_[i].object);
            if (held && *held == object) return static_cast<std::ptrdiff_t>(i);
        }
        return -1;
    }

    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::vector<Entry> entries_;
};

}  // namespace quellmark
