// The icon finder's cache and its reading of icon locations.
#include "shell/icon_finder.h"

#include "shell/fake_file_types.h"
#include "shell/icon_world.h"

namespace quellmark {

namespace {

class IconFinderTest : public IconWorldTest {
protected:
    void SetUp() override {
        IconWorldTest::SetUp();
        red = MakePng("icons/red.png", Qt::red);
        blue = MakePng("icons/blue.png", Qt::blue);
        Associate(".txt", "txtfile", red + ",0");
        Associate(".doc", "docfile", blue + ",1");
        generic.fill(Qt::gray);
        finder.ImageList().Add(generic);
    }

    void Associate(const std::string& extension, const std::string& fileClass, const std::string& location) {
        types->classes[extension] = fileClass;
        types->classes[fileClass + "\\DefaultIcon"] = location;
    }
    QColor ColourAt(int index) const { return CentreOf(finder.ImageList().Image(index)); }

    std::shared_ptr<FakeFileTypes> types = std::make_shared<FakeFileTypes>();
    std::string red, blue;
    QImage generic{32, 32, QImage::Format_ARGB32};
    TIconFinder finder{types, [this](const std::string& text) {
                           std::string out = text;
                           const std::string name = "%ICONS%";
                           if (const auto at = out.find(name); at != std::string::npos)
                               out.replace(at, name.size(), Path("icons"));
                           return out;
                       }};
};

TEST_F(IconFinderTest, EachExtensionGetsOneImageOnceAndKeepsItsIndex) {
    EXPECT_EQ(finder.IconIndex("letter.txt"), 1);
    EXPECT_EQ(finder.ImageList().Count(), 2);
    EXPECT_EQ(ColourAt(1), QColor(Qt::red));

    const int readsBefore = types->reads;
    EXPECT_EQ(finder.IconIndex("other.txt"), 1);
    EXPECT_EQ(types->reads, readsBefore);  // answered from the cache

    // The cache compares exactly: the same type in capitals is a new entry.
    types->classes[".TXT"] = "txtfile";
    EXPECT_EQ(finder.IconIndex("SHOUT.TXT"), 2);
    EXPECT_EQ(finder.IconIndex("report.doc"), 3);
    EXPECT_EQ(ColourAt(3), QColor(Qt::blue));
    EXPECT_EQ(finder.IconIndex("again.TXT"), 2);
    EXPECT_EQ(finder.ImageList().Count(), 4);
}

TEST_F(IconFinderTest, UnresolvedNamesGetTheGenericIconAndAreAskedAgain) {
    types->classes["nodefault"] = "";
    types->classes[".nd"] = "nodefault";
    Associate(".empty", "emptyfile", "");
    types->classes[".unknown"] = "txtfile";
    for (const std::string name : {"README", "archive.zzz", "a.nd", "a.empty", "odd.unknown", "dir.v2/file"}) {
        const int readsBefore = types->reads;
        EXPECT_EQ(finder.IconIndex(name), 0) << name;
        EXPECT_EQ(finder.IconIndex(name), 0) << name;
        // ".unknown" is the generic icon's own entry; everything else went to the keys twice.
        if (name != "odd.unknown") {
            EXPECT_GT(types->reads, readsBefore + 1) << name;
        }
    }
    EXPECT_EQ(finder.ImageList().Count(), 1);
}

TEST_F(IconFinderTest, LocationsAreExpandedAndCutAtTheirComma) {
    Associate(".dll", "dllfile", "%ICONS%/blue.png,-152");  // negative: an icon by resource number
    Associate(".noidx", "noidxfile", red);                  // no index: the first icon
    Associate(".quoted", "quotedfile", "\"" + blue + "\",2");
    Associate(".bare", "barefile", "text-plain,3");         // no folder: the icon theme's
    EXPECT_EQ(finder.IconIndex("a.dll"), 1);
    EXPECT_EQ(ColourAt(1), QColor(Qt::blue));
    EXPECT_EQ(finder.IconIndex("a.noidx"), 2);
    EXPECT_EQ(ColourAt(2), QColor(Qt::red));
    EXPECT_EQ(finder.IconIndex("a.quoted"), 3);
    EXPECT_EQ(ColourAt(3), QColor(Qt::blue));
    EXPECT_EQ(finder.IconIndex("a.bare"), 4);
    EXPECT_EQ(ColourAt(4), QColorOf(kPlainRed));
}

TEST_F(IconFinderTest, BrokenLocationNeverBorrowsAnotherTypesIcon) {
    ASSERT_EQ(finder.IconIndex("a.txt"), 1);
    Associate(".gone", "gonefile", Path("icons/missing.png") + ",0");
    Associate(".junk", "junkfile", MakeFile("icons/junk.png", "no picture") + ",0");
    Associate(".badidx", "badidxfile", blue + ",first");
    Associate(".pct", "pctfile", "%1");
    Associate(".nobare", "nobarefile", "shell32.dll,3");
    for (const std::string name : {"x.gone", "x.junk", "x.badidx", "x.pct", "x.nobare"}) {
        EXPECT_EQ(finder.IconIndex(name), 0) << name;
        EXPECT_EQ(finder.ImageList().Count(), 2) << name;
    }
    // The icon file appears later: the next request finds it.
    MakePng("icons/missing.png", Qt::green);
    EXPECT_EQ(finder.IconIndex("x.gone"), 2);
    EXPECT_EQ(ColourAt(2), QColor(Qt::green));
}

TEST_F(IconFinderTest, SameIconForTwoTypesIsAddedForEach) {
    Associate(".text", "textfile", red + ",0");
    EXPECT_EQ(finder.IconIndex("a.txt"), 1);
    EXPECT_EQ(finder.IconIndex("a.text"), 2);
    EXPECT_EQ(finder.ImageList().Image(1), finder.ImageList().Image(2));
}

TEST_F(IconFinderTest, CacheStaysAlignedWithAnImageListOfAnotherLength) {
    TIconFinder unassigned(types, {});
    EXPECT_EQ(unassigned.IconIndex("a.txt"), 1);
    EXPECT_EQ(unassigned.ImageList().Count(), 2);
    EXPECT_EQ(CentreOf(unassigned.ImageList().Image(1)), QColor(Qt::red));

    TIconFinder longer(types, {});
    for (int i = 0; i < 3; ++i) longer.ImageList().Add(generic);
    EXPECT_EQ(longer.IconIndex("a.txt"), 3);
    EXPECT_EQ(longer.IconIndex("b.doc"), 4);
    EXPECT_EQ(longer.IconIndex("c.txt"), 3);
    EXPECT_EQ(longer.IconIndex("file"), 0);
}

TEST_F(IconFinderTest, FreedesktopTypesGiveTheirThemeIcons) {
    TIconFinder desktop(TFreedesktopFileTypes::FromEnvironment(), {});
    desktop.ImageList().Add(generic);
    EXPECT_EQ(desktop.IconIndex("notes.txt"), 1);
    EXPECT_EQ(CentreOf(desktop.ImageList().Image(1)), QColorOf(kPlainRed));
    EXPECT_EQ(desktop.IconIndex("q.quell"), 2);
    EXPECT_EQ(CentreOf(desktop.ImageList().Image(2)), QColorOf(kGenericGreen));
    EXPECT_EQ(desktop.IconIndex("pic.bare"), 0);
    EXPECT_EQ(desktop.IconIndex("NOTES.TXT"), 3);
}

}  // namespace

}  // namespace quellmark
