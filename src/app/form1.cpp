#include "app/form1.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/exception.h"
#include "base/streams.h"
#include "base/string_list.h"
#include "container/vossel_decoder.h"

namespace quellmark {

namespace fs = std::filesystem;

const char* const kPermissionsMessage =
    "It appears you do not have the appropriate Operating System Permissions to Continue\r\n"
    "Please contact your System Administrator for further assistance\r\n"
    "Program Aborted";
const char* const kDirectoryPermissionsMessage =
    "You do not have the appropriate directory permissions to contine\r\n"
    "Contact your System Administrator for further assistance";

namespace {

bool IsDirectory(const std::string& path) {
    struct stat info{};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string MissingFileMessage(const std::string& argument) {
    return "There was a problem decrypting your attachment (\"" + argument + "\")\r\n" +
           "If you are opening the attachment directory from an e-mail,\r\n" +
           "You may want to try saving it and double-clicking the saved file instead";
}

}  // namespace

TForm1::TForm1(TFormUi& ui, TPasswordStore& store, std::optional<std::string> argument, std::string executableDir)
    : ui_(ui), store_(store), argument_(std::move(argument)), executableDir_(std::move(executableDir)) {}

std::string TForm1::ChooseScratchDir(const std::string& executableDir) {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    std::string cache = cacheHome && *cacheHome ? cacheHome : "";
    if (cache.empty()) {
        const char* home = std::getenv("HOME");
        if (home && *home) cache = std::string(home) + "/.cache";
    }
    if (IsDirectory(cache)) return cache + "/quellmark/scratch";
    std::string dir = executableDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir + "/scratch";
}

void TForm1::FormCreate() {
    retryRequested = true;
    startupOpen = false;
    LoadPassword();
    const std::string chosen = ChooseScratchDir(executableDir_);
    // Decrypted attachments are the user's alone: the scratch directory and
    // the directories made for it are private.
    std::error_code ignored;
    fs::create_directories(fs::path(chosen).parent_path(), ignored);
    ::mkdir(chosen.c_str(), 0700);
    ::chmod(chosen.c_str(), 0700);
    scratchDir = chosen;
    canContinue = IsDirectory(scratchDir);
}

void TForm1::FormActivate() {
    if (!canContinue) {
        if (abortShown_) return;
        abortShown_ = true;
        ui_.ShowError(kPermissionsMessage);
        ui_.CloseWindow();
        return;
    }
    if (startupDone) return;
    startupDone = true;
    StartupSequence();
}

void TForm1::StartupSequence() {
    while (retryRequested) {
        retryRequested = false;
        if (argument_ && !fs::exists(*argument_)) {
            ui_.ShowMessage(MissingFileMessage(*argument_));
            break;
        }
        if (!rememberPassword) {
            if (auto entry = ui_.AskPassword({})) {
                rememberPassword = entry->remember;
                password = entry->password;
                SavePassword();
            } else {
                rememberPassword = false;
                password.clear();
            }
        }
        startupOpen = true;
        if (argument_) OpenAttachment(*argument_);
    }
    startupOpen = false;
}

void TForm1::Open1Click() {
    auto chosen = ui_.ChooseContainer();
    if (!chosen) return;
    startupOpen = false;
    OpenAttachment(*chosen);  // there are no short path names here
}

void TForm1::OpenAttachment(const std::string& path) {
    lastOpenFailed = false;
    ui_.ClearList();
    ui_.ResetIcons();
    TStringList names;
    try {
        if (!CanWriteScratch()) {
            startupOpen = false;
            throw Exception(kDirectoryPermissionsMessage);
        }
        try {
            TVosselDecoder decoder;
            decoder.OnProgress = [this](TProtection&, int64_t current, int64_t total) { ui_.Progress(current, total); };
            decoder.DecodeContainer(names, path, scratchDir, password);
        } catch (...) {
            names.Clear();
            throw Exception("Invalid Password");
        }
    } catch (const Exception& e) {
        if (!startupOpen) {
            ui_.ShowError(e.Message());
        } else if (ui_.AskYesNo("Your Password is Incorrect. Would you like to enter a new one now?")) {
            retryRequested = true;
            rememberPassword = false;
        }
        lastOpenFailed = true;
    }
    for (const auto& entry : names) ui_.AddListItem(entry.text, ui_.IconIndexFor(entry.text));
}

bool TForm1::CanWriteScratch() {
    if (!IsDirectory(scratchDir)) return false;
    std::ofstream probe(scratchDir + "/TEST.TXT", std::ios::binary | std::ios::trunc);
    probe << "TEST\r\n";
    probe.close();
    return static_cast<bool>(probe);
}

void TForm1::FormClose() { ClearScratch(); }

void TForm1::ClearScratch() {
    if (!canContinue) return;
    DIR* dir = ::opendir(scratchDir.c_str());
    if (!dir) return;
    // Plain files only: sub-directories stay, as do names beginning with a
    // dot and files that cannot be deleted.
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const std::string path = scratchDir + "/" + entry->d_name;
        struct stat info{};
        if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        if ((info.st_mode & 0222) == 0) continue;  // read-only files stay
        ::unlink(path.c_str());
    }
    ::closedir(dir);
}

void TForm1::ChangePassword1Click() {
    PasswordEntry initial;
    if (rememberPassword) initial = {password, true};
    auto entry = ui_.AskPassword(initial);
    if (!entry) return;
    rememberPassword = entry->remember;
    password = entry->password;
    SavePassword();
    startupOpen = false;
    if (lastOpenFailed && argument_) OpenAttachment(*argument_);
}

void TForm1::LoadPassword() {
    password.clear();
    PasswordEntry entry = store_.Load();
    password = entry.password;
    rememberPassword = entry.remember;
}

void TForm1::SavePassword() { store_.Save({password, rememberPassword}); }

TForm1::FileCommands TForm1::EnabledFileCommands() {
    const bool selected = ui_.SelectedItem().has_value();
    return {selected, selected, !ui_.ListItems().empty()};
}

void TForm1::View1Click() {
    auto selected = ui_.SelectedItem();
    if (selected) ui_.LaunchDocument(scratchDir + "/" + *selected);
}

void TForm1::Save1Click() {
    auto selected = ui_.SelectedItem();
    if (selected) SaveItem(*selected);
}

void TForm1::SaveAll1Click() {
    // Errors of a copy end the whole command; a cancelled dialog skips one item.
    for (const std::string& caption : ui_.ListItems()) SaveItem(caption);
}

void TForm1::SaveItem(const std::string& caption) {
    auto target = ui_.ChooseSaveTarget(caption, saveDirectory_);
    if (!target) return;
    saveDirectory_ = fs::path(*target).parent_path().string();
    CopyFileTo(scratchDir + "/" + caption, *target);
}

void TForm1::CopyFileTo(const std::string& source, const std::string& target) {
    struct stat existing{};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::chmod(target.c_str(), existing.st_mode | S_IWUSR);
    TFileStream in(source, FileMode::OpenRead);
    TFileStream out(target, FileMode::Create);
    out.CopyFrom(in, 0);
}

}  // namespace quellmark
