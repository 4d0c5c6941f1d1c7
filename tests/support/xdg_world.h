#pragma once
// A small freedesktop.org world in a temporary directory: a MIME package, an
// icon theme over "hicolor", desktop entries, mimeapps.list files and a bin
// folder on the search path. The XDG variables, HOME and PATH point into it
// for the test's duration.
#include <QColor>
#include <QImage>
#include <map>
#include <optional>
#include <string>

#include "temp_dir.h"

namespace quellmark {

class XdgWorldTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A size x size PNG of one colour at `relative`; returns its path.
    std::string MakePng(const std::string& relative, QColor colour, int size = 32);
    std::string MakeProgram(const std::string& name);
    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    static const QColor kPlainRed, kGenericGreen, kGoneBlue, kAliasYellow;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// The colour at the icon's centre.
QColor CentreOf(const QImage& image);

}  // namespace quellmark
