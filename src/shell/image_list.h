#pragma once
// A list of 32 x 32 icons addressed by index, as the list view shows them.
// On a scaled screen an icon keeps its 32 x 32 size on screen with more
// pixels behind it (its device pixel ratio).
#include <QImage>
#include <vector>

namespace quellmark {

class TImageList {
public:
    static constexpr int Width = 32;
    static constexpr int Height = 32;

    // Appends the image, brought to 32 x 32 at its own device pixel ratio
    // (64 x 64 pixels at a ratio of 2), and returns its index; a null image
    // is refused with -1.
    int Add(const QImage& image);
    int Count() const { return static_cast<int>(images_.size()); }
    const QImage& Image(int index) const { return images_.at(static_cast<std::size_t>(index)); }
    void Assign(const TImageList& source) { images_ = source.images_; }
    void Clear() { images_.clear(); }

private:
    std::vector<QImage> images_;
};

}  // namespace quellmark
