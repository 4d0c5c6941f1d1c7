#pragma once
// Holds one icon taken from an icon source file by file name and index.
// Changing either property takes the icon anew; when the file is missing the
// icon taken before stays.
#include <QImage>
#include <string>

#include "base/component.h"

namespace quellmark {

class THawkDoIcons : public TComponent {
public:
    explicit THawkDoIcons(TComponent* owner = nullptr) : TComponent(owner) {}

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName);
    int NumberOfIcons() const { return numberOfIcons_; }
    void SetNumberOfIcons(int count);
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    // Null until an icon was taken from an existing file.
    const QImage& Icon() const { return icon_; }

private:
    void Refresh();

    std::string fileName_;
    int numberOfIcons_ = 0;
    int iconIndex_ = 0;
    QImage icon_;
};

}  // namespace quellmark
