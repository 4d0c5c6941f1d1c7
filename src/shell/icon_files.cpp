#include "shell/icon_files.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>

#include "platform/icon_theme.h"

namespace quellmark {

namespace {

// Several pictures (an ICO file's sizes): the smallest not below 32 px, else the largest.
QImage BestPicture(QImageReader& reader) {
    // Scaling down loses less than scaling up, so any picture of 32 px or more ranks first.
    auto rank = [](int side) { return side >= kLargeIconSize ? side - kLargeIconSize : 100000 - side; };
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

QImage ExtractIconA(const std::string& fileName, int iconIndex) {
    (void)iconIndex;  // an image file is one icon, whichever index is asked for
    QImageReader reader(QString::fromStdString(fileName));
    // Vector images are drawn at the icon's size instead of scaled afterwards.
    if (reader.format() == "svg" || reader.format() == "svgz") reader.setScaledSize(QSize(kLargeIconSize, kLargeIconSize));
    const QImage picture = BestPicture(reader);
    if (picture.isNull()) return {};

    QImage icon(kLargeIconSize, kLargeIconSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    const QImage fitted = picture.size() == icon.size()
                              ? picture
                              : picture.scaled(icon.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&icon);
    painter.drawImage((kLargeIconSize - fitted.width()) / 2, (kLargeIconSize - fitted.height()) / 2, fitted);
    painter.end();
    return icon;
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
    return icons.Find(name, kLargeIconSize);
}

std::string CurrentIconThemeName(const freedesktop::BaseDirs& dirs) {
    // Without a GTK setting the desktop's choice reaches us only through Qt's platform theme.
    const std::string desktopChoice = QGuiApplication::instance() ? QIcon::themeName().toStdString() : std::string();
    return freedesktop::IconTheme::ChosenThemeName(dirs, desktopChoice);
}

}  // namespace quellmark
