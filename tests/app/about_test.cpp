// The program's icon, offscreen: compiled in at every size, carried by the
// application's windows, and shown sharp in the About box at scale 1 and 2.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include "app/qt_application.h"
#include "app/widgets/about_dialog.h"
#include "app/widgets/app_icon.h"
#include "app/widgets/application.h"

namespace quellmark {

namespace {

const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

// A drawing, not an empty or solid square: some pixels are clear, some opaque.
void ExpectDrawn(const QImage& picture, int size) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(image.isNull()) << size;
    EXPECT_EQ(image.size(), QSize(size, size));
    int clear = 0, opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            clear += alpha == 0;
            opaque += alpha == 255;
        }
    EXPECT_GT(clear, 0) << size;
    EXPECT_GT(opaque, size * size / 4) << size;
}

QImage Rendered(int size) {
    return QImage(QStringLiteral(":/icons/%1x%1/apps/quellmark.png").arg(size));
}

// Pixmaps hold premultiplied pixels: both sides are compared in that form.
bool SamePicture(const QPixmap& pixmap, const QImage& image) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
           image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

TEST(ProgramIcon, EveryThemeSizeIsCompiledInAndDrawn) {
    App();
    const QIcon icon = QuellmarkIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> available = icon.availableSizes();
    for (int size : kSizes) {
        EXPECT_TRUE(available.contains(QSize(size, size))) << size;
        ExpectDrawn(Rendered(size), size);
        // Asked for a size it has, the icon gives that image, not a scaled neighbour.
        EXPECT_TRUE(SamePicture(icon.pixmap(QSize(size, size), 1.0), Rendered(size))) << size;
    }
}

TEST(ProgramIcon, TheApplicationAndEveryWindowCarryIt) {
    QApplication& app = App();
    ApplyProgramIdentity(app);
    EXPECT_EQ(QApplication::applicationDisplayName(), "Quellmark");
    EXPECT_EQ(QGuiApplication::desktopFileName(), "quellmark");
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes().size(), static_cast<qsizetype>(std::size(kSizes)));
    QWidget window;
    EXPECT_TRUE(SamePicture(window.windowIcon().pixmap(QSize(48, 48), 1.0), Rendered(48)));
}

TEST(AboutBox, Image1ShowsTheIconBesideTheText) {
    App();
    TOzvAboutDlg about(nullptr, [](const QString&) {});
    QLabel* image = about.findChild<QLabel*>("Image1");
    ASSERT_EQ(image, about.Image1);
    const QPixmap picture = image->pixmap();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.deviceIndependentSize().toSize(), QSize(TOzvAboutDlg::kPictureSize, TOzvAboutDlg::kPictureSize));
    about.show();
    // The picture stands left of the version line and the link, inside the box.
    EXPECT_LT(image->geometry().right(), about.Label5->geometry().left());
    EXPECT_LT(image->geometry().right(), about.Label4->geometry().left());
    EXPECT_TRUE(about.rect().contains(image->geometry()));
}

TEST(AboutBox, TheIconIsDrawnFromTheLargerImageOnScaledScreens) {
    App();
    for (qreal ratio : {1.0, 2.0}) {
        const QPixmap picture = QuellmarkPicture(TOzvAboutDlg::kPictureSize, ratio);
        const int pixels = static_cast<int>(TOzvAboutDlg::kPictureSize * ratio);
        EXPECT_EQ(picture.devicePixelRatio(), ratio);
        EXPECT_TRUE(SamePicture(picture, Rendered(pixels))) << ratio;
    }
}

}  // namespace quellmark
