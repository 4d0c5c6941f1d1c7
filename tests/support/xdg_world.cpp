#include "xdg_world.h"

namespace quellmark {

std::map<std::string, std::string> XdgFolders(const std::filesystem::path& root) {
    return {{"HOME", (root / "home").string()},
            {"XDG_DATA_HOME", (root / "home/.local/share").string()},
            {"XDG_CONFIG_HOME", (root / "home/.config").string()},
            {"XDG_DATA_DIRS", (root / "usr/share").string()},
            {"XDG_CONFIG_DIRS", (root / "etc/xdg").string()}};
}

std::string XdgWorldTest::MakeIcon(const std::string& relative, Rgb, int) { return MakeFile(relative, "icon"); }

std::string XdgWorldTest::MakeProgram(const std::string& name) {
    const std::string path = MakeFile("bin/" + name, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

void XdgWorldTest::SetUp() {
    TempDirTest::SetUp();
    std::map<std::string, std::string> variables = XdgFolders(root);
    variables.insert({{"PATH", Path("bin")}, {"XDG_CURRENT_DESKTOP", ""}, {"TERMINAL", ""}});
    for (const auto& [name, value] : variables) environment_.push_back(std::make_unique<ScopedEnv>(name, value));

    MakeFile("usr/share/mime/globs2",
             "# weight:type:glob\n"
             "50:text/plain:*.txt\n"
             "50:text/x-quell:*.quell\n"
             "50:application/x-gone:*.gone\n"
             // update-mime-database writes a case-sensitive glob twice, once without the flag
             "50:text/x-upper:*.Qm:cs\n"
             "50:text/x-upper:*.Qm\n"
             "50:text/x-lower:*.qm:cs\n"
             "50:text/x-lower:*.qm\n"
             "50:text/x-term:*.term\n"
             "40:text/x-light:*.dup\n"
             "60:text/x-heavy:*.dup\n"
             "50:image/x-bare:*.bare\n"
             "50:text/x-hidden:*.hid\n"
             "50:text/x-legacy:*.legacy\n"
             "50:text/x-user-sealed:*.old\n");
    MakeFile("usr/share/mime/generic-icons", "text/x-quell:text-x-generic\n");
    MakeFile("usr/share/mime/icons", "application/x-gone:gone-icon\n");
    MakeFile("usr/share/mime/aliases", "text/x-legacy text/plain\n");
    MakeFile("home/.local/share/mime/globs2",
             "50:application/x-mine:*.mine\n"
             "50:text/x-user-sealed:__NOGLOBS__\n"
             "50:text/x-user-sealed:*.new\n");

    MakeFile("home/.config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Fixture\n");
    MakeFile("usr/share/icons/Fixture/index.theme",
             "[Icon Theme]\nName=Fixture\nInherits=hicolor\nDirectories=16x16/mimetypes,32x32/mimetypes,\n\n"
             "[16x16/mimetypes]\nSize=16\nType=Fixed\n\n[32x32/mimetypes]\nSize=32\nType=Fixed\n");
    MakeFile("usr/share/icons/hicolor/index.theme",
             "[Icon Theme]\nName=Hicolor\nDirectories=48x48/mimetypes\n\n[48x48/mimetypes]\nSize=48\nType=Fixed\n");
    MakeIcon("usr/share/icons/Fixture/32x32/mimetypes/text-plain.png", kPlainRed);
    MakeIcon("usr/share/icons/Fixture/16x16/mimetypes/gone-icon.png", kGoneBlue, 16);
    MakeIcon("usr/share/icons/hicolor/48x48/mimetypes/text-x-generic.png", kGenericGreen, 48);
    // A size the theme does not list: never chosen.
    MakeIcon("usr/share/icons/Fixture/64x64/mimetypes/image-x-bare.png", kAliasYellow, 64);

    MakeProgram("viewer");
    MakeProgram("user viewer");
    MakeFile("usr/share/applications/viewer.desktop",
             "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\nMimeType=text/plain;text/x-hidden;\n");
    MakeFile("usr/share/applications/user-viewer.desktop",
             "[Desktop Entry]\nType=Application\nName=User viewer\nExec=\"user viewer\" --new %U\n");
    MakeFile("usr/share/applications/gone.desktop",
             "[Desktop Entry]\nType=Application\nName=Gone\nExec=/nonexistent/gone-app %f\n");
    MakeFile("usr/share/applications/unknown-program.desktop",
             "[Desktop Entry]\nType=Application\nName=Unknown\nExec=no-such-program %f\n");
    MakeFile("usr/share/applications/hidden.desktop",
             "[Desktop Entry]\nType=Application\nName=Hidden\nExec=viewer\nHidden=true\n");
    MakeFile("usr/share/applications/terminal.desktop",
             "[Desktop Entry]\nType=Application\nName=Terminal\nExec=viewer\nTerminal=true\nMimeType=text/x-term;\n");
    MakeFile("home/.local/share/applications/mine.desktop",
             "[Desktop Entry]\nType=Application\nName=Mine\nExec=viewer %f\n");

    MakeFile("etc/xdg/mimeapps.list",
             "[Default Applications]\n"
             "text/plain=viewer.desktop\n"
             "text/x-quell=missing.desktop;viewer.desktop;\n"
             "application/x-gone=gone.desktop\n"
             "image/x-bare=unknown-program.desktop\n"
             "text/x-hidden=hidden.desktop\n"
             "application/x-mine=mine.desktop\n");
    MakeFile("home/.config/mimeapps.list", "[Default Applications]\ntext/plain=user-viewer.desktop\n");
}

void XdgWorldTest::TearDown() {
    environment_.clear();
    TempDirTest::TearDown();
}

}  // namespace quellmark
