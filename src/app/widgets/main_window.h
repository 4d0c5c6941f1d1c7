#pragma once
// The main window: a large-icon list of the unpacked files under the File
// and Help menus. Its behaviour is TForm1's; this class shows what TForm1
// asks to be shown and passes the user's commands on.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "app/form1.h"
#include "app/placement.h"
#include "app/widgets/file_view.h"

class QMenu;
class QAction;
class QProgressDialog;

namespace quellmark {

// Where the window takes its file icons and launches documents from.
struct DesktopServices {
    std::function<void()> resetIcons;                            // a fresh icon finder for an open
    std::function<int(const std::string& fileName)> iconIndexFor;  // its image index for a file name
    std::function<QIcon(int index)> iconAt;                      // the image at an index
    std::function<void(const std::string& path)> launchDocument;
    std::function<void(const QString& url)> openLink;
    // The user's choice of list view ("Icons" or "Details"), kept between runs.
    std::function<std::string()> readViewStyle;
    std::function<void(const std::string& style)> writeViewStyle;
    // Hands a container to the user's mail composer (xdg-email); failures are exceptions.
    std::function<void(const std::string& path)> composeMail;
    // The 8-bit code page passwords are keyed in, as the senders' Windows keys them.
    std::string passwordCodePage = "CP1252";
};

class TMainWindow : public QMainWindow, private TFormUi {
    Q_OBJECT
public:
    TMainWindow(TPasswordStore& store, TPlacementValues& placement, DesktopServices services,
                std::optional<std::string> argument);

    TForm1& Form() { return form_; }
    TFileView* fileView;    // the unpacked files, as large icons or in details
    QAction* Open1;            // File > Open: choose a container (or mail with one) and open it
    QAction* NewContainer1;    // File > New Container: pack files into a new container
    QAction* ChangePassword1;  // File > Change Password: the password dialog
    QAction* View2;            // File > View: the selected file in its application
    QAction* Save2;            // File > Save: a copy of the selected file elsewhere
    QAction* SaveAll2;         // File > Save All: copies of every file into one folder
    QAction* ExtractAllTo2;    // File > Extract All To: every file, with its sub-folders, into one folder
    QAction* Exit1;            // File > Exit
    QAction* IconView1;        // View > Icons: the files as large icons
    QAction* DetailsView1;     // View > Details: name, size, modified and type in columns
    QAction* About1;           // Help > About: the About box
    QAction* View1;            // the list's pop-up menu: View
    QAction* Save1;            // the list's pop-up menu: Save
    QAction* SaveAll1;         // the list's pop-up menu: Save All
    QAction* ExtractAllTo1;    // the list's pop-up menu: Extract All To
    QMenu* PopupMenu;          // the list's pop-up menu

    // Runs creation; false when the program must not go on (the error was shown).
    bool Create();
    // Saves the placement and removes the window's files, once: when the
    // window closes, or when the program ends without closing it (a signal).
    void CloseDown();
    // `quellmark --send`: the New Container dialog with `files` and "Send by
    // e-mail" ticked, without the window being shown. True once a container
    // was written.
    bool SendFiles(const std::vector<std::string>& files);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // TFormUi
    std::optional<PasswordEntry> AskPassword(const PasswordEntry& initial, const std::string& containerPath) override;
    void ShowError(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> ChooseContainer() override;
    void ClearList() override;
    void AddListItem(const std::string& caption, int imageIndex) override;
    std::vector<std::string> ListItems() override;
    std::optional<std::string> SelectedItem() override;
    std::optional<std::string> ChooseSaveTarget(const std::string& fileName, const std::string& directory) override;
    std::optional<std::string> ChooseFolder(const std::string& startDirectory) override;
    ReplaceAnswer AskReplace(const std::string& path) override;
    void ShowContainerName(const std::string& fileName) override;
    void LaunchDocument(const std::string& path) override;
    void ResetIcons() override;
    int IconIndexFor(const std::string& fileName) override;
    void CloseWindow() override;
    std::optional<std::size_t> ChooseAttachment(const std::vector<MailContainer>& containers) override;
    std::optional<NewContainerRequest> AskNewContainer(const NewContainerRequest& initial) override;
    void ComposeMail(const std::string& path) override;
    void ProgressCaption(const std::string& text) override;
    void Progress(int64_t current, int64_t total) override;
    void LogWarning(const std::string& text) override;

    void EnableFileCommands();
    void ChooseViewStyle(TFileView::Style style);
    // Between menus every command stays enabled, so that its key works
    // whatever the state the menu last showed; a command with nothing to act
    // on does nothing.
    void EnableAllFileCommands();
    // The window's normal (restored) rectangle as a placement.
    WindowPlacement CurrentPlacement() const;
    void RestorePlacement();
    void SavePlacement();
    ScreenMetrics Screen() const;

    DesktopServices services_;
    TPlacementValues& placement_;
    TForm1 form_;
    bool placementRestored_ = false;
    bool closedDown_ = false;
    QProgressDialog* progress_ = nullptr;  // shown while a large container decodes
    QString progressCaption_ = "Deciphering the attachment...";
};

// The application-wide error box: what a command lets escape is shown with
// the application's title, an error icon and the message.
QString ApplicationErrorText(const QString& message);

}  // namespace quellmark
