#include "app/form1.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "app/file_copy.h"
#include "app/new_container.h"
#include "base/exception.h"
#include "base/streams.h"
#include "base/string_list.h"
#include "container/decode_failure.h"
#include "container/vossel_decoder.h"
#include "mail/mail_containers.h"

namespace quellmark {

namespace fs = std::filesystem;

const char* const kPermissionsMessage =
    "It appears you do not have the appropriate Operating System Permissions to Continue\r\n"
    "Please contact your System Administrator for further assistance\r\n"
    "Program Aborted";
const char* const kDirectoryPermissionsMessage =
    "You do not have the appropriate directory permissions to contine\r\n"
    "Contact your System Administrator for further assistance";
const char* const kWrongPasswordQuestion = "Your Password is Incorrect. Would you like to enter a new one now?";

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
        // Mail is opened down to the one container in it before the password
        // is asked for, so that the dialog can name that container.
        std::optional<OpenTarget> target;
        if (argument_) {
            target = ArgumentTarget();
            if (!target) break;
        }
        if (!rememberPassword) {
            if (auto entry = ui_.AskPassword({}, target ? target->shown : "")) {
                rememberPassword = entry->remember;
                password = entry->password;
                SavePassword();
            } else {
                rememberPassword = false;
                password.clear();
            }
        }
        startupOpen = true;
        if (target) OpenAttachment(target->file, target->shown);
    }
    startupOpen = false;
}

void TForm1::Open1Click() {
    auto chosen = ui_.ChooseContainer();
    if (!chosen) return;
    OpenChosen(*chosen);  // there are no short path names here
}

void TForm1::OpenChosen(const std::string& chosen) {
    startupOpen = false;
    const std::optional<OpenTarget> target = ResolveChosen(chosen);
    if (!target) return;
    const std::string& path = target->file;
    OpenAttachment(path, target->shown);
    // Rather than send the user off to Change Password and back to File >
    // Open, ask for the password where it failed. The record changes only
    // when a new password is confirmed.
    while (passwordRejected_ && ui_.AskYesNo(kWrongPasswordQuestion)) {
        auto entry = ui_.AskPassword({}, target->shown);
        if (!entry) return;
        rememberPassword = entry->remember;
        password = entry->password;
        SavePassword();
        startupOpen = false;
        OpenAttachment(path, target->shown);
    }
}

std::optional<TForm1::OpenTarget> TForm1::ArgumentTarget() {
    if (!argumentTarget_ && argument_) argumentTarget_ = ResolveChosen(*argument_);
    return argumentTarget_;
}

std::optional<TForm1::OpenTarget> TForm1::ResolveChosen(const std::string& path) {
    // Only a regular file is read to tell what it is: a pipe or a device
    // could keep the window waiting for ever. Anything else goes on to the
    // open, which says what stands there.
    if (CheckAttachmentPath(path).kind != PathCheck::File) return OpenTarget{path, path};
    MailKind kind = MailKind::None;
    try {
        kind = DetectMailKind(path);
    } catch (const std::exception& e) {
        // What cannot be read is no mail; the open that follows says what is wrong.
        ui_.LogWarning("Cannot tell whether \"" + path + "\" is e-mail: " + e.what());
    }
    if (kind == MailKind::None) return OpenTarget{path, path};

    // The containers of the mail opened before are of no more use; should
    // the command-line argument be opened again, its mail is read again.
    if (argumentTarget_ && !mailDirectory_.empty() && argumentTarget_->file.starts_with(mailDirectory_ + "/"))
        argumentTarget_.reset();
    if (!mailDirectory_.empty() && !RemoveTree(mailDirectory_))
        ui_.LogWarning("Could not remove everything in \"" + mailDirectory_ + "\"");
    mailDirectory_.clear();
    // The dot keeps the folder apart from the unpacked files: no container
    // lists a name that starts so, and the list never shows it.
    std::string made = scratchDir + "/.mail-XXXXXX";
    if (!CanWriteScratch() || !::mkdtemp(made.data())) {
        ui_.ShowError(kDirectoryPermissionsMessage);
        return std::nullopt;
    }
    mailDirectory_ = made;

    std::vector<MailContainer> found;
    ui_.ProgressCaption("Reading the e-mail...");
    try {
        found = SaveMailContainers(path, mailDirectory_, [this](uint64_t done, uint64_t total) {
            ui_.Progress(static_cast<int64_t>(done), static_cast<int64_t>(total));
        });
    } catch (const EMailFormat& e) {
        ui_.Progress(0, 0);
        ui_.LogWarning("Cannot read \"" + path + "\" as e-mail: " + e.what());
        ui_.ShowError("\"" + path + "\" cannot be read as e-mail:\r\n" + e.Message());
        return std::nullopt;
    } catch (const std::exception& e) {
        ui_.Progress(0, 0);
        ui_.LogWarning("Cannot take the attachments out of \"" + path + "\": " + e.what());
        ui_.ShowError("The attachments in \"" + path + "\" could not be taken out:\r\n" + e.what());
        return std::nullopt;
    }
    ui_.Progress(0, 0);
    if (found.empty()) {
        ui_.ShowError("The e-mail \"" + path + "\" holds no encrypted attachment (no *.ozv file).");
        return std::nullopt;
    }
    std::size_t chosen = 0;
    if (found.size() > 1) {
        const std::optional<std::size_t> answer = ui_.ChooseAttachment(found);
        if (!answer || *answer >= found.size()) {
            RemoveTree(mailDirectory_);
            mailDirectory_.clear();
            return std::nullopt;
        }
        chosen = *answer;
    }
    for (std::size_t i = 0; i < found.size(); ++i)
        if (i != chosen) ::unlink(found[i].path.c_str());
    // Shown as a file inside the mail: the password dialog and the window's
    // title name the attachment, and the whole path tells where it came from.
    return OpenTarget{found[chosen].path, path + "/" + SafeAttachmentName(found[chosen].name)};
}

void TForm1::OpenAttachment(const std::string& path, const std::string& shownPath) {
    const std::string& shown = shownPath.empty() ? path : shownPath;
    lastOpenFailed = false;
    passwordRejected_ = false;
    ui_.ClearList();
    openContainer_.clear();
    ui_.ShowContainerName("");
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
            ui_.LogWarning("Cannot open \"" + shown + "\": " + check.reason);
            problem = check.reason;
        } else {
            ui_.ProgressCaption("Deciphering the attachment...");
            TVosselDecoder decoder;
            decoder.OnProgress = [this](TProtection&, int64_t current, int64_t total) { ui_.Progress(current, total); };
            try {
                decoder.DecodeContainer(names, path, scratchDir, password);
            } catch (const std::exception& e) {
                names.Clear();
                ui_.LogWarning("Cannot decode \"" + shown + "\": " + e.what());
                const TDecodeFailure failure = ExplainDecodeFailure(decoder, e);
                if (failure.passwordMayBeWrong) {
                    passwordRejected_ = true;
                    throw Exception("Invalid Password");
                }
                problem = failure.reason;
            } catch (...) {
                names.Clear();
                ui_.LogWarning("Cannot decode \"" + shown + "\": an unexpected failure");
                passwordRejected_ = true;
                throw Exception("Invalid Password");
            }
        }
        if (problem) {
            ui_.ShowMessage(ProblemMessage(shown, *problem));
            lastOpenFailed = true;
        }
    } catch (const Exception& e) {
        if (!startupOpen) {
            ui_.ShowError(e.Message());
        } else if (ui_.AskYesNo(kWrongPasswordQuestion)) {
            retryRequested = true;
            rememberPassword = false;
        }
        lastOpenFailed = true;
    }
    if (!lastOpenFailed) {
        openContainer_ = shown;
        ui_.ShowContainerName(fs::path(shown).filename().string());
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
    auto entry = ui_.AskPassword(initial, PasswordTarget());
    if (!entry) return;
    rememberPassword = entry->remember;
    password = entry->password;
    SavePassword();
    startupOpen = false;
    if (lastOpenFailed && argument_) {
        if (const std::optional<OpenTarget> target = ArgumentTarget()) OpenAttachment(target->file, target->shown);
    }
}

std::string TForm1::PasswordTarget() const {
    if (lastOpenFailed && argument_) return argumentTarget_ ? argumentTarget_->shown : *argument_;
    return openContainer_;
}

bool TForm1::NewContainer1Click(NewContainerRequest request) {
    std::string keyed;
    for (;;) {
        std::optional<NewContainerRequest> answer = ui_.AskNewContainer(request);
        if (!answer) return false;
        request = std::move(*answer);
        const std::optional<std::string> problem = CheckNewContainer(request, passwordCodePage, keyed);
        if (!problem) break;
        ui_.ShowError(*problem);
        // The dialog comes back as it was, but for the passwords: one of
        // them, at least, must be typed again.
        request.password.clear();
        request.confirmation.clear();
    }
    // The target was filled in for the user, or chosen in a save dialog
    // that did not ask: it is asked here, once, for both.
    if (fs::exists(fs::symlink_status(request.target)) &&
        !ui_.AskYesNo("The file \"" + request.target + "\" already exists.\r\nDo you want to replace it?"))
        return false;
    if (!CanWriteScratch()) {
        ui_.ShowError(kDirectoryPermissionsMessage);
        return false;
    }
    std::vector<std::string> warnings;
    std::string step;
    try {
        WriteNewContainer(
            request, keyed, scratchDir,
            [&](const std::string& now, int64_t done, int64_t total) {
                if (now != step && !now.empty()) ui_.ProgressCaption(now);
                step = now;
                ui_.Progress(done, total);
            },
            [&](const std::string& warning) {
                ui_.LogWarning(warning);
                warnings.push_back(warning);
            });
    } catch (const std::exception& e) {
        ui_.Progress(0, 0);
        ui_.ShowError("The container \"" + request.target + "\" could not be made:\r\n" + e.what());
        return false;
    }
    if (!warnings.empty()) {
        std::string text = "The container \"" + request.target + "\" was made, but:";
        for (const std::string& warning : warnings) text += "\r\n" + warning;
        ui_.ShowMessage(text);
    }
    if (request.sendByMail) {
        try {
            ui_.ComposeMail(request.target);
        } catch (const std::exception& e) {
            ui_.ShowError("The container was saved as \"" + request.target +
                          "\", but it could not be handed to the mail program:\r\n" + e.what());
        }
    }
    return true;
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
    const bool listed = !ui_.ListItems().empty();
    return {selected, selected, listed, listed};
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
    // The dialog proposes the file's own name: the folder part of a caption
    // belongs to the container, not to where the user saves.
    const std::string fileName = fs::path(caption).filename().string();
    auto target = ui_.ChooseSaveTarget(fileName, saveDirectory_);
    if (!target) return;
    saveDirectory_ = fs::path(*target).parent_path().string();
    CopyFileTo(scratchDir + "/" + caption, *target);
}

void TForm1::ExtractAllTo1Click() {
    const std::vector<std::string> captions = ui_.ListItems();
    if (captions.empty()) return;
    // The decoder never lists such a name, but a name that could lead out of
    // the chosen folder is refused before anything is written.
    for (const std::string& caption : captions)
        if (!StaysBeneath(caption))
            throw Exception("Cannot extract \"" + caption + "\": the name leads outside the chosen folder");
    auto folder = ui_.ChooseFolder(extractDirectory_);
    if (!folder) return;
    extractDirectory_ = *folder;
    std::optional<bool> replaceAll;  // set by Yes to All or No to All, for the rest of this command
    for (const std::string& caption : captions) {
        if (FileExistsBeneath(*folder, caption)) {
            bool replace = replaceAll.value_or(false);
            if (!replaceAll) {
                switch (ui_.AskReplace((fs::path(*folder) / caption).string())) {
                case ReplaceAnswer::Yes: replace = true; break;
                case ReplaceAnswer::No: replace = false; break;
                case ReplaceAnswer::YesToAll: replace = true, replaceAll = true; break;
                case ReplaceAnswer::NoToAll: replace = false, replaceAll = false; break;
                }
            }
            if (!replace) continue;
        }
        // An error ends the command; the files written before it stay.
        CopyBeneath(scratchDir + "/" + caption, *folder, caption);
    }
}

void TForm1::CopyFileTo(const std::string& source, const std::string& target) {
    CopyFileKeepingTime(source, target);
}

}  // namespace quellmark
