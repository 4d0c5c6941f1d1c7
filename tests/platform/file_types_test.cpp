// The file-type keys read from a fixture freedesktop world.
#include "platform/file_types.h"

#include "platform/file_types_apps.h"
#include "xdg_world.h"

namespace quellmark {

namespace {

class FileTypeKeysTest : public XdgWorldTest {
protected:
    std::optional<std::string> Classes(const std::string& key) const {
        return types->DefaultValue(TRootKey::ClassesRoot, key);
    }
    std::optional<std::string> Machine(const std::string& key) const {
        return types->DefaultValue(TRootKey::LocalMachine, "Software\\Classes\\" + key);
    }
    void SetUp() override {
        XdgWorldTest::SetUp();
        types = TFreedesktopFileTypes::FromEnvironment();
    }
    std::shared_ptr<const TFreedesktopFileTypes> types;
};

TEST_F(FileTypeKeysTest, ExtensionKeysHoldTheMimeTypeOfTheirGlob) {
    EXPECT_EQ(Classes(".txt"), "text/plain");
    EXPECT_EQ(Classes(".TXT"), "text/plain");  // globs ignore letter case...
    EXPECT_EQ(Classes(".Qm"), "text/x-upper");  // ...but a case-sensitive match comes first
    EXPECT_EQ(Classes(".qm"), "text/x-lower");
    EXPECT_EQ(Classes(".dup"), "text/x-heavy");
    EXPECT_EQ(Classes(".nothing"), std::nullopt);
    EXPECT_EQ(Classes(".txt\\More"), std::nullopt);
    EXPECT_EQ(Classes(""), "");  // the root

    // The user's MIME package adds .mine and closes the system's globs of one type.
    EXPECT_EQ(Classes(".mine"), "application/x-mine");
    EXPECT_EQ(Classes(".new"), "text/x-user-sealed");
    EXPECT_EQ(Classes(".old"), std::nullopt);
    EXPECT_EQ(Machine(".mine"), std::nullopt);
    EXPECT_EQ(Machine(".old"), "text/x-user-sealed");
    EXPECT_EQ(Machine(".txt"), "text/plain");
    EXPECT_EQ(types->DefaultValue(TRootKey::LocalMachine, "Software\\Other\\.txt"), std::nullopt);
}

TEST_F(FileTypeKeysTest, DefaultIconIsTheThemeFileNearest32PixelsWithIndexZero) {
    const std::string icons = Path("usr/share/icons/");
    EXPECT_EQ(Classes("\\text/plain\\DefaultIcon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
    EXPECT_EQ(Classes("TEXT/PLAIN\\defaulticon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
    EXPECT_EQ(Classes("text/x-legacy\\DefaultIcon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
    // From the generic-icons file, found only in the inherited hicolor at 48 px.
    EXPECT_EQ(Classes("text/x-quell\\DefaultIcon"), icons + "hicolor/48x48/mimetypes/text-x-generic.png,0");
    // From the icons file, at the nearest size the theme has.
    EXPECT_EQ(Classes("application/x-gone\\DefaultIcon"), icons + "Fixture/16x16/mimetypes/gone-icon.png,0");
    // Only in a folder the theme does not list.
    EXPECT_EQ(Classes("image/x-bare\\DefaultIcon"), std::nullopt);
    EXPECT_EQ(Classes("image/x-bare"), "");
    EXPECT_EQ(Classes("text/x-unheard-of"), std::nullopt);
}

TEST_F(FileTypeKeysTest, OpenCommandQuotesTheDefaultApplicationsProgram) {
    auto command = [](const std::string& program) { return "\"" + program + "\" \"%1\""; };
    // The user's mimeapps.list comes first; the machine's view never sees it.
    EXPECT_EQ(Classes("text/plain\\Shell\\Open\\Command"), command(Path("bin/user viewer")));
    EXPECT_EQ(Machine("text/plain\\Shell\\Open\\Command"), command(Path("bin/viewer")));
    EXPECT_EQ(Classes("text/plain\\shell\\open"), "");
    // A default that is not installed gives way to the next one listed.
    EXPECT_EQ(Classes("text/x-quell\\Shell\\Open\\Command"), command(Path("bin/viewer")));
    // A hidden entry counts as removed: the entry that lists the type takes over.
    EXPECT_EQ(Classes("text/x-hidden\\Shell\\Open\\Command"), command(Path("bin/viewer")));
    // An absolute program is named even when it is gone; a bare one must be on the path.
    EXPECT_EQ(Classes("application/x-gone\\Shell\\Open\\Command"), command("/nonexistent/gone-app"));
    EXPECT_EQ(Classes("image/x-bare\\Shell\\Open\\Command"), std::nullopt);
    EXPECT_EQ(Classes("image/x-bare\\Shell"), std::nullopt);
    // A program that needs a terminal cannot be started from here.
    EXPECT_EQ(Classes("text/x-term\\Shell\\Open\\Command"), std::nullopt);
    // The user's own desktop entry is the user's file too.
    EXPECT_EQ(Classes("application/x-mine\\Shell\\Open\\Command"), command(Path("bin/viewer")));
    EXPECT_EQ(Machine("application/x-mine\\Shell\\Open\\Command"), std::nullopt);
}

TEST_F(FileTypeKeysTest, RegistryCursorOpensRelativeToTheOpenKey) {
    const std::string command = std::string("\"").append(Path("bin/user viewer")).append("\" \"%1\"");
    TReadOnlyRegistry registry(*types);
    EXPECT_EQ(registry.ReadString(""), "");  // nothing open
    ASSERT_TRUE(registry.OpenKeyReadOnly("text/plain"));
    EXPECT_TRUE(registry.KeyExists("DefaultIcon"));
    EXPECT_FALSE(registry.KeyExists("\\DefaultIcon"));
    ASSERT_TRUE(registry.OpenKeyReadOnly("Shell\\Open\\Command"));
    EXPECT_EQ(registry.ReadString(""), command);
    EXPECT_EQ(registry.ReadString("Other"), "");
    EXPECT_FALSE(registry.OpenKeyReadOnly("\\.nothing"));
    EXPECT_EQ(registry.ReadString(""), command);  // a failed open keeps the key

    registry.SetRootKey(TRootKey::LocalMachine);
    EXPECT_EQ(registry.ReadString(""), "");
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Classes\\.txt"));
    EXPECT_EQ(registry.ReadString(""), "text/plain");
}

TEST(DesktopEntryExec, ProgramAndArgumentsFollowTheQuotingRules) {
    using freedesktop::SplitExec;
    using Words = std::vector<std::string>;
    EXPECT_EQ(SplitExec("viewer %f"), (Words{"viewer", "%f"}));
    EXPECT_EQ(SplitExec("  \"/opt/my app/run\"  --x %U "), (Words{"/opt/my app/run", "--x", "%U"}));
    EXPECT_EQ(SplitExec(R"("a \"q\" \\\\ \$b")"), (Words{R"(a "q" \ $b)"}));
    EXPECT_EQ(SplitExec(R"("my\sprogram" a\sb 100%%)"), (Words{"my program", "a", "b", "100%"}));
    EXPECT_EQ(SplitExec("\"unclosed %f"), std::nullopt);
    EXPECT_EQ(SplitExec(""), Words{});
}

}  // namespace

}  // namespace quellmark
