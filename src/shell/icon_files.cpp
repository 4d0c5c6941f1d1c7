#include "shell/icon_files.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

#include "platform/icon_theme.h"

namespace quellmark {

namespace {

// Several pictures (an ICO file's sizes): the smallest not below `wanted` px, else the largest.
QImage BestPicture(QImageReader& reader, int wanted) {
    // Scaling down loses less than scaling up, so any picture of the wanted size or more ranks first.
    auto rank = [wanted](int side) { return side >= wanted ? side - wanted : 100000 - side; };
    QImage best;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage picture = reader.read();
        if (picture.isNull()) continue;
        if (best.isNull() || rank(std::max(picture.width(), picture.height())) < rank(std::max(best.width(), best.height())))
            best = std::move(picture);
    }
    return best;
}

}  // namespace

qreal IconPixelRatio() {
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? std::max<qreal>(1, app->devicePixelRatio()) : 1;
}

QImage ExtractIconA(const std::string& fileName, int iconIndex, qreal pixelRatio) {
    (void)iconIndex;  // an image file is one icon, whichever index is asked for
    const int side = qRound(kLargeIconSize * std::max<qreal>(1, pixelRatio));
    QImageReader reader(QString::fromStdString(fileName));
    // Vector images are drawn at the icon's size instead of scaled afterwards.
    if (reader.format() == "svg" || reader.format() == "svgz") reader.setScaledSize(QSize(side, side));
    const QImage picture = BestPicture(reader, side);
    if (picture.isNull()) return {};

    QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    const QImage fitted = picture.size() == icon.size()
                              ? picture
                              : picture.scaled(icon.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&icon);
    painter.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
    painter.end();
    // Set after painting: the painter works in the image's own pixels.
    icon.setDevicePixelRatio(static_cast<qreal>(side) / kLargeIconSize);
    return icon;
}

QImage ExtractIconA(const std::string& fileName, int iconIndex) {
    return ExtractIconA(fileName, iconIndex, IconPixelRatio());
}

int IconCountOf(const std::string& fileName) {
    QImageReader reader(QString::fromStdString(fileName));
    return reader.canRead() ? 1 : 0;
}

std::string ThemeIconFile(std::string_view bareName) {
    std::string name(bareName);
    for (const char* extension : {".png", ".svg", ".xpm"}) {
        const std::size_t length = std::char_traits<char>::length(extension);
        if (name.size() > length && name.compare(name.size() - length, length, extension) == 0) {
            name.resize(name.size() - length);
            break;
        }
    }
    const freedesktop::BaseDirs dirs = freedesktop::BaseDirs::FromEnvironment();
    const freedesktop::IconTheme icons(freedesktop::IconTheme::BaseDirsOf(dirs), CurrentIconThemeName(dirs));
    return icons.Find(name, qRound(kLargeIconSize * IconPixelRatio()));
}

std::string CurrentIconThemeName(const freedesktop::BaseDirs& dirs) {
    // Without a GTK setting the desktop's choice reaches us only through Qt's platform theme.
    const std::string desktopChoice = QGuiApplication::instance() ? QIcon::themeName().toStdString() : std::string();
    return freedesktop::IconTheme::ChosenThemeName(dirs, desktopChoice);
}

}  // namespace quellmark
