#pragma once
// The freedesktop world of the tests, with its icons drawn as real PNG
// pictures, for the tests that look at which icon was taken.
#include <QColor>
#include <QImage>
#include <string>

#include "xdg_world.h"

namespace quellmark {

class IconWorldTest : public XdgWorldTest {
protected:
    std::string MakeIcon(const std::string& relative, Rgb colour, int size = 32) override;
    // A size x size PNG of one colour at `relative`; returns its path.
    std::string MakePng(const std::string& relative, QColor colour, int size = 32);
};

QColor QColorOf(Rgb colour);
// The colour at the icon's centre.
QColor CentreOf(const QImage& image);

}  // namespace quellmark
