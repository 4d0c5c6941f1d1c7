#include "shell/icon_world.h"

namespace quellmark {

std::string IconWorldTest::MakeIcon(const std::string& relative, Rgb colour, int size) {
    return MakePng(relative, QColorOf(colour), size);
}

std::string IconWorldTest::MakePng(const std::string& relative, QColor colour, int size) {
    const std::string path = MakeFile(relative, "");
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
}

QColor QColorOf(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

QColor CentreOf(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

}  // namespace quellmark
