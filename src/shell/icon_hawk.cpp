#include "shell/icon_hawk.h"

#include "shell/icon_files.h"
#include "shell/shell_paths.h"

namespace quellmark {

void THawkDoIcons::SetFileName(const std::string& fileName) {
    if (fileName == fileName_) return;
    numberOfIcons_ = 0;
    fileName_ = fileName;
    if (FileExists(fileName_)) numberOfIcons_ = IconCountOf(fileName_);
    iconIndex_ = 0;
    Refresh();
}

void THawkDoIcons::SetNumberOfIcons(int count) {
    if (count == numberOfIcons_) return;
    numberOfIcons_ = count;
    Refresh();
}

void THawkDoIcons::SetIconIndex(int index) {
    if (index == iconIndex_) return;
    iconIndex_ = index;
    Refresh();
}

void THawkDoIcons::Refresh() {
    if (FileExists(fileName_)) icon_ = ExtractIconA(fileName_, iconIndex_);
}

}  // namespace quellmark
