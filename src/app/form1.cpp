#include "app/form1.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/exception.h"
#include "base/streams.h"
#include "base/string_list.h"
#include "container/decode_failure.h"
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

void TFormUi::LogWarning(const std::string& text) { std::cerr << text << std::endl; }

namespace {

bool IsDirectory(const std::string& path) {
    struct stat info{};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The message for an attachment that could not be opened; `reason`, when
// given, says why on a line of its own.
std::string ProblemMessage(const std::string& path, const std::string& reason = {}) {
    return "There was a problem decrypting your attachment (\"" + path + "\")\r\n" +
           (reason.empty() ? "" : reason + "\r\n") +
           "If you are opening the attachment directory from an e-mail,\r\n" +
           "You may want to try saving it and double-clicking the saved file instead";
}

// What stands at an attachment's path.
struct PathCheck {
    enum { File, Missing, Unusable } kind = File;
    std::string reason;  // for Missing and Unusable
};

// A container must be a regular file. Anything else is refused before it is
// opened: a directory cannot be read as one, and a pipe or a device could
// keep the window waiting for ever.
PathCheck CheckAttachmentPath(const std::string& path) {
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        return {missing ? PathCheck::Missing : PathCheck::Unusable, std::strerror(errno)};
    }
    if (S_ISDIR(info.st_mode)) return {PathCheck::Unusable, "It is a folder, not an attachment"};
    if (!S_ISREG(info.st_mode)) return {PathCheck::Unusable, "It is not a file that can be read as an attachment"};
    return {};
}

}  // namespace

TForm1::TForm1(TFormUi& ui, TPasswordStore& store, std::optional<std::string> argument)
    : ui_(ui), store_(store), argument_(std::move(argument)) {}

void TForm1::FormCreate() {
    retryRequested = true;
    startupOpen = false;
    LoadPassword();
    // Decrypted attachments are the user's alone and never outlive their
    // window: each window unpacks into a private directory of its own.
    canContinue = scratch_.Create();
    scratchDir = scratch_.Path();
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
        // Nothing at the path, or nothing that can be opened: the user hears
        // why at once, and no password is asked for.
        if (argument_) {
            const PathCheck check = CheckAttachmentPath(*argument_);
            if (check.kind != PathCheck::File) {
                ui_.LogWarning("Cannot open \"" + *argument_ + "\": " + check.reason);
                // A missing file keeps its message of old, without a reason.
                ui_.ShowMessage(check.kind == PathCheck::Missing ? ProblemMessage(*argument_)
                                                                 : ProblemMessage(*argument_, check.reason));
                break;
            }
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
    if (chosen) OpenChosen(*chosen);
}

void TForm1::OpenChosen(const std::string& path) {
    startupOpen = false;
    OpenAttachment(path);  // there are no short path names here
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
        // Set when the open failed for a reason the password cannot have caused.
        std::optional<std::string> problem;
        if (const PathCheck check = CheckAttachmentPath(path); check.kind != PathCheck::File) {
            ui_.LogWarning("Cannot open \"" + path + "\": " + check.reason);
            problem = check.reason;
        } else {
            TVosselDecoder decoder;
            decoder.OnProgress = [this](TProtection&, int64_t current, int64_t total) { ui_.Progress(current, total); };
            try {
                decoder.DecodeContainer(names, path, scratchDir, password);
            } catch (const std::exception& e) {
                names.Clear();
                ui_.LogWarning("Cannot decode \"" + path + "\": " + e.what());
                const TDecodeFailure failure = ExplainDecodeFailure(decoder, e);
                if (failure.passwordMayBeWrong) throw Exception("Invalid Password");
                problem = failure.reason;
            } catch (...) {
                names.Clear();
                ui_.LogWarning("Cannot decode \"" + path + "\": an unexpected failure");
                throw Exception("Invalid Password");
            }
        }
        if (problem) {
            ui_.ShowMessage(ProblemMessage(path, *problem));
            lastOpenFailed = true;
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
    const std::string path = scratch_.Path();
    if (!scratch_.Remove()) ui_.LogWarning("Could not remove everything in \"" + path + "\"");
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
