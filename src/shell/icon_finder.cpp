#include "shell/icon_finder.h"

#include <charconv>

#include "base/text.h"
#include "shell/icon_files.h"
#include "shell/shell_paths.h"

namespace quellmark {

namespace {

// Fills cache positions that stand for no extension; extensions are empty or begin with a dot.
const char* const kNoExtension = "*";

std::string WithoutQuotes(std::string text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

}  // namespace

std::optional<int> IconIndexOfLocation(const std::string& location) {
    const std::size_t comma = location.find(',');
    if (comma == std::string::npos) return 0;
    std::string text = Trim(std::string_view(location).substr(comma + 1));
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    int index = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return index;
}

TIconFinder::TIconFinder(std::shared_ptr<const TFileTypeKeys> fileTypes, ExpandEnvironmentHook expandEnvironment)
    : fileTypes_(std::move(fileTypes)), expandEnvironment_(std::move(expandEnvironment)) {
    extensions_.Add(".unknown");
}

int32_t TIconFinder::IconIndex(const std::string& fileName) {
    const std::string extension = ExtractFileExt(fileName);
    for (std::size_t p = 0; p < extensions_.Count(); ++p)
        if (extensions_[p] == extension) return static_cast<int32_t>(p);

    // Only reading: the file-type keys are no one's to change from here.
    TReadOnlyRegistry registry(*fileTypes_, TRootKey::ClassesRoot);
    if (!registry.OpenKeyReadOnly(extension)) return 0;
    const std::string fileClass = registry.ReadString("");
    registry.CloseKey();
    if (!registry.OpenKeyReadOnly("\\" + fileClass + "\\DefaultIcon")) return 0;
    const std::string location = registry.ReadString("");
    registry.CloseKey();
    if (location.empty()) return 0;

    // A malformed location is one type's fault: it gets the generic icon, the
    // listing goes on, and the next request looks again.
    const std::optional<int> index = IconIndexOfLocation(location);
    if (!index) return 0;
    const std::string iconFile = IconFileOf(location);
    hawk_.SetFileName(iconFile);
    hawk_.SetIconIndex(*index);
    // The extractor still holds the last icon it took: without this file's
    // own icon, that would be some other type's picture.
    if (!FileExists(iconFile) || hawk_.Icon().isNull()) {
        // Point the extractor at nothing, so that asking for this file again
        // (once it exists) counts as a change and takes its icon.
        hawk_.SetFileName({});
        return 0;
    }
    return AddIcon(extension);
}

std::string TIconFinder::IconFileOf(const std::string& location) const {
    const std::string expanded = expandEnvironment_ ? expandEnvironment_(location) : location;
    const bool bare = expanded.find('/') == std::string::npos;
    const std::string file = WithoutQuotes(expanded.substr(0, expanded.find(',')));
    return bare ? ThemeIconFile(file) : file;
}

int32_t TIconFinder::AddIcon(const std::string& extension) {
    // Keep cache position and image index equal even when the caller's list
    // did not hold exactly the generic icon.
    while (images_.Count() < static_cast<int>(extensions_.Count())) {
        QImage blank(TImageList::Width, TImageList::Height, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        images_.Add(blank);
    }
    while (static_cast<int>(extensions_.Count()) < images_.Count()) extensions_.Add(kNoExtension);
    const int index = images_.Add(hawk_.Icon());
    extensions_.Add(extension);
    return index;
}

}  // namespace quellmark
