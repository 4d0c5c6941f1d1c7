#include "shell/image_list.h"

namespace quellmark {

int TImageList::Add(const QImage& image) {
    if (image.isNull()) return -1;
    const qreal ratio = image.devicePixelRatio();
    const QSize pixels(qRound(Width * ratio), qRound(Height * ratio));
    if (image.size() == pixels) {
        images_.push_back(image);
    } else {
        QImage scaled = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        images_.push_back(std::move(scaled));
    }
    return Count() - 1;
}

}  // namespace quellmark
