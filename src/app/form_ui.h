#pragma once
// What the main window's logic asks of its user interface. The desktop
// program answers with Qt widgets; tests answer by script.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mail/mail_containers.h"

namespace quellmark {

struct PasswordEntry {
    std::string password;
    bool remember = false;
};

// What the New Container dialog is filled with and gives back: the files
// and folders to pack, the cipher (its name in the registry), the password
// as typed (UTF-8) with its repetition, where the container goes, and
// whether it is then handed to the mail composer.
struct NewContainerRequest {
    std::vector<std::string> sources;
    std::string cipher = "Blowfish";
    std::string password;
    std::string confirmation;
    std::string target;
    bool sendByMail = false;
};

// The answers to "replace this file?" while many files are written.
enum class ReplaceAnswer { Yes, No, YesToAll, NoToAll };

class TFormUi {
public:
    virtual ~TFormUi() = default;
    // The password dialog, filled with `initial`, naming the container it is
    // for (`containerPath`, empty when there is none); nullopt unless
    // confirmed with OK.
    virtual std::optional<PasswordEntry> AskPassword(const PasswordEntry& initial, const std::string& containerPath) = 0;
    // Error box: caption "Error", error icon, one button "OK".
    virtual void ShowError(const std::string& text) = 0;
    // Plain message box: caption "Quellmark", no icon, one button "OK".
    virtual void ShowMessage(const std::string& text) = 0;
    // Question box: caption "Confirm", question icon, "&Yes" and "&No"; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The open-file dialog; nullopt when cancelled.
    virtual std::optional<std::string> ChooseContainer() = 0;
    // The list of unpacked files.
    virtual void ClearList() = 0;
    virtual void AddListItem(const std::string& caption, int imageIndex) = 0;
    virtual std::vector<std::string> ListItems() = 0;
    virtual std::optional<std::string> SelectedItem() = 0;
    // The save dialog, starting in `directory` with `fileName` filled in; it
    // asks before overwriting. nullopt when cancelled.
    virtual std::optional<std::string> ChooseSaveTarget(const std::string& fileName, const std::string& directory) = 0;
    // A folder chooser starting in `startDirectory` (empty: where the system
    // chooses); nullopt when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& startDirectory) = 0;
    // Question box: may the file at `path` be replaced? Yes, No, Yes to All, No to All.
    virtual ReplaceAnswer AskReplace(const std::string& path) = 0;
    // The file name of the container whose files are listed, for the window's
    // title; empty when none is.
    virtual void ShowContainerName(const std::string& fileName) = 0;
    // Opens a document with its associated application, reporting a failure itself.
    virtual void LaunchDocument(const std::string& path) = 0;
    // The image index for a file name (the icon finder of the current open);
    // a fresh finder is made at the start of every open.
    virtual void ResetIcons() = 0;
    virtual int IconIndexFor(const std::string& fileName) = 0;
    // Progress of a decode: bytes done of the total; (0, 0) when it ends.
    virtual void Progress(int64_t current, int64_t total) { (void)current, (void)total; }
    // Several containers came in one piece of mail: the list to choose one
    // from (name, size, location); the index chosen, nullopt when cancelled.
    virtual std::optional<std::size_t> ChooseAttachment(const std::vector<MailContainer>& containers) = 0;
    // The New Container dialog filled with `initial`; what it holds when
    // confirmed, nullopt when cancelled.
    virtual std::optional<NewContainerRequest> AskNewContainer(const NewContainerRequest& initial) = 0;
    // Hands the container at `path` to the user's mail composer as an
    // attachment; failures are exceptions.
    virtual void ComposeMail(const std::string& path) = 0;
    // What the progress of the next long task is about ("Deciphering the
    // attachment...", "Writing the container...").
    virtual void ProgressCaption(const std::string& text) { (void)text; }
    // Closes the main window, which ends the program.
    virtual void CloseWindow() = 0;
    // A line for the log on standard error (the real cause of a failure that
    // the user is told about in plainer words).
    virtual void LogWarning(const std::string& text);
};

// Where the password record is kept; failures are exceptions.
class TPasswordStore {
public:
    virtual ~TPasswordStore() = default;
    virtual PasswordEntry Load() = 0;
    virtual void Save(const PasswordEntry& entry) = 0;
};

}  // namespace quellmark
