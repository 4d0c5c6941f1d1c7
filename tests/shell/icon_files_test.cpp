// Icons taken from image files of every kind the theme folders hold.
#include "shell/icon_files.h"

#include <QBuffer>
#include <QImage>
#include <cstring>

#include "shell/icon_world.h"
#include "shell/image_list.h"

namespace quellmark {

namespace {

class IconFilesTest : public IconWorldTest {
protected:
    std::string SaveAs(const std::string& name, QColor colour, int width, int height, const char* format) {
        const std::string path = MakeFile(name, "");
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(QString::fromStdString(path), format)) << format;
        return path;
    }

    // An ICO file holding one picture per (size, colour), written by Qt one at a time and joined.
    std::string MakeIco(const std::string& name, const std::vector<std::pair<int, QColor>>& pictures) {
        std::vector<QByteArray> entries, payloads;
        for (const auto& [size, colour] : pictures) {
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(colour);
            QByteArray single;
            QBuffer buffer(&single);
            buffer.open(QIODevice::WriteOnly);
            EXPECT_TRUE(image.save(&buffer, "ICO"));
            entries.push_back(single.mid(6, 16));
            payloads.push_back(single.mid(22));
        }
        QByteArray file("\0\0\1\0", 4);
        file.append(char(pictures.size())).append('\0');
        uint32_t offset = 6 + 16 * static_cast<uint32_t>(pictures.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            QByteArray entry = entries[i];
            const uint32_t at = offset;  // little-endian offset at bytes 12..15
            for (int b = 0; b < 4; ++b) entry[12 + b] = char(at >> (8 * b) & 0xFF);
            file.append(entry);
            offset += static_cast<uint32_t>(payloads[i].size());
        }
        for (const QByteArray& payload : payloads) file.append(payload);
        return MakeFile(name, file.toStdString());
    }
};

TEST_F(IconFilesTest, EveryImageKindBecomesA32PixelIcon) {
    const QColor colour(10, 120, 240);
    const std::vector<std::string> files = {
        SaveAs("a.png", colour, 64, 64, "PNG"),
        SaveAs("a.xpm", colour, 16, 16, "XPM"),
        SaveAs("a.ico", colour, 48, 48, "ICO"),
        MakeFile("a.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='8'>"
                          "<rect width='8' height='8' fill='#0a78f0'/></svg>"),
    };
    for (const std::string& file : files) {
        const QImage icon = ExtractIconA(file, 0);
        ASSERT_EQ(icon.size(), QSize(32, 32)) << file;
        EXPECT_EQ(CentreOf(icon), colour) << file;
        EXPECT_EQ(icon.pixelColor(0, 0), colour) << file;
        EXPECT_EQ(IconCountOf(file), 1) << file;
        // Any other index stands for the same single icon.
        EXPECT_EQ(ExtractIconA(file, 3), icon) << file;
        EXPECT_EQ(ExtractIconA(file, -152), icon) << file;
    }
}

TEST_F(IconFilesTest, WidePictureKeepsItsShapeCentred) {
    const QImage icon = ExtractIconA(SaveAs("wide.png", Qt::red, 64, 32, "PNG"), 0);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(icon.pixelColor(16, 0).alpha(), 0);
    EXPECT_EQ(icon.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(icon.pixelColor(16, 31).alpha(), 0);
}

TEST_F(IconFilesTest, IcoFileGivesThePictureNearestTheIconSize) {
    const QColor small(255, 0, 0), large(0, 255, 0), huge(0, 0, 255), tiny(90, 90, 90);
    EXPECT_EQ(CentreOf(ExtractIconA(MakeIco("three.ico", {{16, small}, {48, large}, {64, huge}}), 0)), large);
    EXPECT_EQ(CentreOf(ExtractIconA(MakeIco("exact.ico", {{48, large}, {32, huge}, {16, small}}), 0)), huge);
    EXPECT_EQ(CentreOf(ExtractIconA(MakeIco("below.ico", {{8, tiny}, {24, small}}), 0)), small);
}

TEST_F(IconFilesTest, OnAScaledScreenTheIconKeepsItsSizeWithTwiceThePixels) {
    // Red left half, blue right half: drawn at 64 px the halves meet between
    // pixels 31 and 32; a 32 px picture scaled up would blur them together.
    const std::string svg = MakeFile("halves.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='8'>"
                                                   "<rect width='4' height='8' fill='#ff0000'/>"
                                                   "<rect x='4' width='4' height='8' fill='#0000ff'/></svg>");
    const QImage sharp = ExtractIconA(svg, 0, 2.0);
    ASSERT_EQ(sharp.size(), QSize(64, 64));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(32, 32));
    EXPECT_EQ(sharp.pixelColor(31, 20), QColor(Qt::red));
    EXPECT_EQ(sharp.pixelColor(32, 20), QColor(Qt::blue));

    // The image list keeps those pixels, and brings other images to 32 x 32 at their own ratio.
    TImageList list;
    list.Add(sharp);
    QImage plain(48, 48, QImage::Format_ARGB32);
    plain.fill(Qt::green);
    list.Add(plain);
    QImage tooBig = plain.copy();
    tooBig.setDevicePixelRatio(2.0);
    list.Add(tooBig);
    EXPECT_EQ(list.Image(0), sharp);
    EXPECT_EQ(list.Image(1).size(), QSize(32, 32));
    EXPECT_EQ(list.Image(2).size(), QSize(64, 64));
    EXPECT_EQ(list.Image(2).devicePixelRatio(), 2.0);
}

TEST_F(IconFilesTest, WhatIsNoImageGivesNoIcon) {
    EXPECT_TRUE(ExtractIconA(MakeFile("notes.png", "plain text, not a picture"), 0).isNull());
    EXPECT_TRUE(ExtractIconA(Path("missing.png"), 0).isNull());
    EXPECT_EQ(IconCountOf(Path("missing.png")), 0);
}

TEST_F(IconFilesTest, BareIconNameIsFoundInTheCurrentTheme) {
    const std::string red = Path("usr/share/icons/Fixture/32x32/mimetypes/text-plain.png");
    EXPECT_EQ(ThemeIconFile("text-plain"), red);
    EXPECT_EQ(ThemeIconFile("text-plain.png"), red);
    EXPECT_EQ(ThemeIconFile("text-x-generic"), Path("usr/share/icons/hicolor/48x48/mimetypes/text-x-generic.png"));
    EXPECT_EQ(ThemeIconFile("no-such-icon"), "");
    EXPECT_EQ(ThemeIconFile("../Fixture/index"), "");
}

}  // namespace

}  // namespace quellmark
