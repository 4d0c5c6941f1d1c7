#pragma once
// The program's own icon, compiled into the program so that the window, the
// task bar and the About box have it even when nothing is installed.
#include <QIcon>
#include <QPixmap>

namespace quellmark {

// Every size rendered from data/icons/quellmark.svg, so Qt picks the sharpest
// one for a size and a device pixel ratio.
QIcon QuellmarkIcon();

// The icon `logicalSize` pixels wide on a screen of `devicePixelRatio`: at a
// ratio of 2 it is drawn from the image twice as large, not scaled up.
QPixmap QuellmarkPicture(int logicalSize, qreal devicePixelRatio);

}  // namespace quellmark
