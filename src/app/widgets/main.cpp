// quellmark: the desktop program. The first command-line argument, if any,
// is a container (or mail holding one) to open at start; `quellmark --send
// FILE...` makes a container of the files and hands it to the mail composer.
#include <QIcon>
#include <QPixmap>
#include <QStyle>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/widgets/application.h"
#include "app/widgets/main_window.h"
#include "app/widgets/termination_signals.h"
#include "platform/environment_strings.h"
#include "platform/file_types.h"
#include "platform/launch.h"
#include "platform/mail_composer.h"
#include "platform/password_record.h"
#include "platform/registry_store.h"
#include "platform/secret_store.h"
#include "shell/icon_files.h"
#include "shell/icon_finder.h"
#include "shell/qt_error_box.h"
#include "shell/shell_launch.h"

using namespace quellmark;

namespace {

// The password record in the user's registry, with the remembered password
// in the desktop keyring when one answers.
struct RegistryPasswordStore : TPasswordStore {
    PasswordEntry Load() override {
        TPasswordRecord record = keeper.Load();
        return {record.password, record.rememberPassword};
    }
    void Save(const PasswordEntry& entry) override { keeper.Save({entry.password, entry.remember}); }

    TDesktopKeyring keyring;
    TPasswordKeeper keeper{keyring};
};

// The window placement under Software\<program name>\Form.
struct RegistryPlacement : TPlacementValues {
    explicit RegistryPlacement(std::string key) : key_(std::move(key)) {}
    std::optional<std::string> Read(const std::string& name) override {
        TRegistry registry;
        if (!registry.OpenKey(key_, true) || !registry.ValueExists(name) || registry.GetDataType(name) != rdString)
            return std::nullopt;
        return registry.ReadString(name);
    }
    void Write(const std::string& name, const std::string& value) override {
        TRegistry registry;
        if (registry.OpenKey(key_, true)) registry.WriteString(name, value);
    }

private:
    std::string key_;
};

// The setting "CodePage" (a string such as "CP1251") under Software\quellmark
// chooses the code page passwords are keyed in; CP1252 without it.
std::string PasswordCodePage() {
    try {
        TRegistry registry;
        if (registry.OpenKey("Software\\quellmark", false) && registry.ValueExists("CodePage") &&
            registry.GetDataType("CodePage") == rdString) {
            const std::string chosen = registry.ReadString("CodePage");
            if (!chosen.empty()) return chosen;
        }
    } catch (const std::exception&) {
        // An unreadable setting leaves the default.
    }
    return "CP1252";
}

// The setting "FileView" under Software\quellmark: how the list shows the
// files ("Icons" or "Details"). A setting that cannot be read or written
// leaves the view as it is; it is a preference, not the user's data.
std::string ReadViewStyle() {
    try {
        TRegistry registry;
        if (registry.OpenKey("Software\\quellmark", false) && registry.ValueExists("FileView") &&
            registry.GetDataType("FileView") == rdString)
            return registry.ReadString("FileView");
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
    return {};
}

void WriteViewStyle(const std::string& style) {
    try {
        TRegistry registry;
        if (registry.OpenKey("Software\\quellmark", true)) registry.WriteString("FileView", style);
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
}

std::string ExecutablePath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

int Run(TQuellmarkApplication& app, int argc, char** argv) {
    const std::string executable = ExecutablePath();
    const std::filesystem::path executablePath(executable);

    // --send, the file managers' "Encrypt and send by e-mail", must be
    // first; any other first argument is a file to open, as it always was.
    const bool send = argc > 1 && std::string(argv[1]) == "--send";
    std::vector<std::string> sendFiles;
    if (send)
        for (int i = 2; i < argc; ++i) sendFiles.push_back(argv[i]);

    std::optional<std::string> argument;
    if (argc > 1 && !send) {
        std::string first = argv[1];
        // A path handed over with its quotation marks keeps them no longer.
        if (first.size() >= 2 && first.front() == '"' && first.back() == '"') first = first.substr(1, first.size() - 2);
        argument = first;
    }

    RegistryPasswordStore passwords;
    RegistryPlacement placement("Software\\" + executablePath.stem().string() + "\\Form");
    // The image every new icon finder starts from: index 0, for files of no known type.
    TImageList baseImages;
    baseImages.Add(QApplication::style()->standardIcon(QStyle::SP_FileIcon).pixmap(32, 32).toImage());
    // On a scaled screen the icon files of the larger size are drawn sharply at the list's 32 px.
    std::shared_ptr<const TFileTypeKeys> fileTypes = TFreedesktopFileTypes::FromEnvironment(
        CurrentIconThemeName(freedesktop::BaseDirs::FromEnvironment()), qRound(kLargeIconSize * IconPixelRatio()));
    std::unique_ptr<TIconFinder> iconFinder;

    TQtErrorBox errorBox;
    TShellContext shell{fileTypes, [](const std::string& verb, const std::string& file, const std::string& parameters) {
                            return ShellExecute(verb, file, parameters);
                        },
                        &errorBox, [](const std::string& program, const std::vector<std::string>& arguments) {
                            return StartProgram(program, arguments);
                        }};

    DesktopServices services;
    services.passwordCodePage = PasswordCodePage();
    services.resetIcons = [&] {
        auto next = std::make_unique<TIconFinder>(fileTypes, [](const std::string& text) {
            return ExpandEnvironmentStrings(text);
        });
        next->ImageList().Assign(baseImages);
        iconFinder = std::move(next);
    };
    services.iconIndexFor = [&](const std::string& name) { return iconFinder ? iconFinder->IconIndex(name) : 0; };
    services.iconAt = [&](int index) {
        if (!iconFinder || index < 0 || index >= iconFinder->ImageList().Count()) return QIcon();
        return QIcon(QPixmap::fromImage(iconFinder->ImageList().Image(index)));
    };
    services.launchDocument = [&](const std::string& path) { LaunchDocument(shell, path, ""); };
    services.openLink = [&](const QString& url) { ShellOpen(shell, url.toStdString(), ""); };
    services.composeMail = [](const std::string& path) { ComposeMail({path, "", ""}); };
    services.readViewStyle = ReadViewStyle;
    services.writeViewStyle = WriteViewStyle;

    TTerminationSignals terminationSignals;
    TMainWindow window(passwords, placement, services, argument);
    window.Create();
    if (send) {
        // Sending needs no window of files: only the dialog is shown, and
        // the program ends with it (the scratch directory, where the files
        // were packed, goes with it).
        const bool sent = window.SendFiles(sendFiles);
        window.CloseDown();
        return sent ? 0 : 1;
    }
    window.show();
    const int status = app.exec();
    // After a signal the window was never closed: its files go now.
    window.CloseDown();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    TQuellmarkApplication app(argc, argv);
    return RunProgram([&] { return Run(app, argc, argv); });
}
