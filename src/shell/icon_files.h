#pragma once
// Icons from image files: the stand-in for taking an icon out of a program
// or icon file. PNG, SVG, XPM and ICO are read through Qt's image readers.
#include <QImage>
#include <string>
#include <string_view>

#include "platform/file_types_xdg.h"
#include "platform/icon_theme.h"

namespace quellmark {

// The image of `fileName` as a 32 x 32 icon (ARGB, aspect kept, centred), or
// a null image when the file cannot be read as an image. An image file holds
// one icon: every index gives it; from an ICO file the picture nearest to
// 32 x 32 is taken. On a scaled screen the icon keeps its 32 x 32 size on
// screen but carries `pixelRatio` times as many pixels each way (its device
// pixel ratio set), so it is drawn sharply.
QImage ExtractIconA(const std::string& fileName, int iconIndex, qreal pixelRatio);
// The same at the display's pixel ratio.
QImage ExtractIconA(const std::string& fileName, int iconIndex);

// The device pixel ratio icons are made for: the application's (the highest
// of its screens), 1 without a running application.
qreal IconPixelRatio();

// How many icons the file offers: 1 for a readable image file, else 0.
int IconCountOf(const std::string& fileName);

// The icon file for an icon location without a directory ("text-plain" or
// "text-plain.png"), looked up in the current icon theme at 32 px; "" when
// the theme has no such icon.
std::string ThemeIconFile(std::string_view bareName);

// The icon theme in use: the GTK setting of the configuration directories,
// else the one Qt's platform theme reports, else GTK's default "Adwaita".
std::string CurrentIconThemeName(const freedesktop::BaseDirs& dirs);

}  // namespace quellmark
