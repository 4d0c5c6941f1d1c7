#pragma once
// TForm1: the main window's run-long state and behaviour: creation and the
// scratch directory, the check on every activation, the start-up sequence
// (password, then the container named on the command line), opening a
// container, changing the password, and the clean-up at close.
#include <optional>
#include <string>

#include "app/form_ui.h"
#include "app/new_container.h"
#include "app/scratch_directory.h"

namespace quellmark {

class TForm1 {
public:
    // `argument`: the first command-line argument, if any.
    TForm1(TFormUi& ui, TPasswordStore& store, std::optional<std::string> argument);

    // Creation: reads the password record and makes the window's own scratch
    // directory (TScratchDirectory). An error reading the record is passed on
    // (the application error box shows it) and leaves the scratch directory
    // unset.
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Open1Click();
    // Opens a container the user chose (File > Open, or dropped on the
    // window). Where the password may be why it failed, the user is asked
    // for another and it is tried again, for as long as they like.
    void OpenChosen(const std::string& path);
    void ChangePassword1Click();
    // Opens the container at `path`; `shownPath`, when given, is what the
    // user is told it is (an attachment decoded from mail lies in the
    // scratch directory under a name of no meaning to them).
    void OpenAttachment(const std::string& path, const std::string& shownPath = {});
    // File > New Container, and `quellmark --send`: the dialog filled with
    // `initial` (asked again, filled as it was, after each refusal), then the
    // container written and, when asked for, handed to the mail composer.
    // True once the container is written.
    bool NewContainer1Click(NewContainerRequest initial = {});
    bool CanWriteScratch();
    // Removes the scratch directory with everything in it.
    void ClearScratch();

    // The file commands of both menus: View and Save need a selection, Save
    // All an item.
    struct FileCommands {
        bool view = false;
        bool save = false;
        bool saveAll = false;
        bool extractAll = false;
    };
    FileCommands EnabledFileCommands();
    void View1Click();
    void Save1Click();
    void SaveAll1Click();
    // Asks once for a folder and writes every listed file beneath it, with
    // its sub-folders, asking before a file is replaced.
    void ExtractAllTo1Click();
    // Copies `source` over `target`, keeping its modification time; a failed
    // copy leaves an existing target as it was.
    static void CopyFileTo(const std::string& source, const std::string& target);

    std::string scratchDir;
    std::string password;
    bool lastOpenFailed = false;
    bool rememberPassword = false;
    bool startupDone = false;
    bool retryRequested = false;
    bool startupOpen = false;
    bool canContinue = false;
    // The 8-bit code page passwords are keyed in (as the senders' Windows keys them).
    std::string passwordCodePage = "CP1252";

private:
    // What opening a chosen file opens: the file itself, or the attachment
    // chosen from the mail it is.
    struct OpenTarget {
        std::string file;   // the container to decode
        std::string shown;  // what the user is told it is
    };
    // Makes a chosen file something to open. Mail has its containers decoded
    // into a sub-folder of the scratch directory (a hidden one, which the
    // list of unpacked files never shows) and the user chooses one when
    // there are several. nullopt when there is nothing to open: the user was
    // told why, or cancelled the choice.
    std::optional<OpenTarget> ResolveChosen(const std::string& path);
    // The target of the command-line argument, worked out once.
    std::optional<OpenTarget> ArgumentTarget();

    // Set once the permissions message has been shown: the window closes
    // after it, and the activation that follows the message box must not
    // show it again.
    bool abortShown_ = false;

    void StartupSequence();
    void LoadPassword();
    void SavePassword();
    void SaveItem(const std::string& caption);
    // The container a password typed now is for: the command-line one when
    // Change Password will open it again, else the one whose files are listed.
    std::string PasswordTarget() const;

    TFormUi& ui_;
    TPasswordStore& store_;
    std::optional<std::string> argument_;
    TScratchDirectory scratch_;
    std::string saveDirectory_;  // where the next save dialog starts; empty at first
    std::string extractDirectory_;  // where the next Extract All To starts; empty at first
    std::string openContainer_;  // the container whose files are listed; empty when none is
    bool passwordRejected_ = false;  // the last open failed where the password may be why
    std::string mailDirectory_;  // where the containers of the last mail opened were decoded; empty when none
    std::optional<OpenTarget> argumentTarget_;  // the command-line argument's target once resolved
};

extern const char* const kPermissionsMessage;
extern const char* const kDirectoryPermissionsMessage;
extern const char* const kWrongPasswordQuestion;

}  // namespace quellmark
