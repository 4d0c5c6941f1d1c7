#include "app/widgets/app_icon.h"

#include <QString>

namespace quellmark {

namespace {

// The sizes the build renders (data/CMakeLists.txt) and the icon
// theme installs; the resource holds each as :/icons/<n>x<n>/apps/quellmark.png.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace

QIcon QuellmarkIcon() {
    QIcon icon;
    for (int size : kIconSizes)
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/quellmark.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap QuellmarkPicture(int logicalSize, qreal devicePixelRatio) {
    return QuellmarkIcon().pixmap(QSize(logicalSize, logicalSize), devicePixelRatio);
}

}  // namespace quellmark
