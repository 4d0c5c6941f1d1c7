#pragma once
// Maps file names to icons of their file types, in an image list of 32 x 32
// icons. Each extension is looked up once in the file-type keys and keeps its
// image; position p of the extension cache is image p of the list, and
// position 0 (".unknown") is the generic icon that the caller's list starts with.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/string_list.h"
#include "platform/file_types.h"
#include "shell/icon_hawk.h"
#include "shell/image_list.h"
#include "shell/shell_hooks.h"

namespace quellmark {

class TIconFinder {
public:
    TIconFinder(std::shared_ptr<const TFileTypeKeys> fileTypes, ExpandEnvironmentHook expandEnvironment);
    TIconFinder(const TIconFinder&) = delete;
    TIconFinder& operator=(const TIconFinder&) = delete;

    // The caller assigns its own list (the generic icon first) before the first lookup.
    TImageList& ImageList() { return images_; }
    const TImageList& ImageList() const { return images_; }

    // The image index for the file name's extension; 0, the generic icon,
    // when its type or icon is unknown. Extensions are compared exactly, so
    // ".TXT" and ".txt" are cached apart.
    int32_t IconIndex(const std::string& fileName);

private:
    std::string IconFileOf(const std::string& location) const;
    int32_t AddIcon(const std::string& extension);

    std::shared_ptr<const TFileTypeKeys> fileTypes_;
    ExpandEnvironmentHook expandEnvironment_;
    TStringList extensions_;
    THawkDoIcons hawk_;
    TImageList images_;
};

// The icon index of an icon location "file,index": 0 when it has no comma,
// nullopt when the index is no decimal integer.
std::optional<int> IconIndexOfLocation(const std::string& location);

}  // namespace quellmark
