#include "shell/image_list.h"

namespace quellmark {

int TImageList::Add(const QImage& image) {
    if (image.isNull()) return -1;
    images_.push_back(image.size() == QSize(Width, Height)
                          ? image
                          : image.scaled(Width, Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return Count() - 1;
}

}  // namespace quellmark
