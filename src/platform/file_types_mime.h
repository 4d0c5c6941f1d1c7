#pragma once
// What the shared MIME-info database says about a type: which extensions name
// it, which names it is also known by, and which icons stand for it.
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quellmark {

namespace freedesktop {

class MimeDatabase {
public:
    // `dataDirs` most important first; each one's "mime" folder is read.
    explicit MimeDatabase(const std::vector<std::string>& dataDirs);

    // The type whose glob names files with this extension (".txt"), or "".
    std::string TypeOfExtension(std::string_view extension) const;
    bool Knows(std::string_view type) const;
    // The canonical name of a type given by one of its aliases (or itself).
    std::string Canonical(std::string_view type) const;
    std::vector<std::string> AliasesOf(std::string_view type) const;
    // Icon names to try for the type, best first.
    std::vector<std::string> IconNames(std::string_view type) const;

private:
    struct Glob {
        int weight;
        std::string type;
        std::string suffix;       // the pattern after its leading "*."
        std::string lowerSuffix;
        bool caseSensitive;
        std::size_t patternLength;
    };
    void ReadGlobs(const std::string& mimeDir);
    const Glob* BestGlob(const std::string& name, bool caseSensitive) const;
    void ReadPairs(const std::string& path, char separator, std::map<std::string, std::string, std::less<>>& into);
    void ReadTypes(const std::string& path);

    std::vector<Glob> globs_;                      // in the order of precedence
    std::set<std::string, std::less<>> sealed_;    // types whose globs lower directories may not extend
    std::set<std::string, std::less<>> known_;
    std::map<std::string, std::string, std::less<>> aliases_, icons_, genericIcons_;
};

}  // namespace freedesktop

}  // namespace quellmark
