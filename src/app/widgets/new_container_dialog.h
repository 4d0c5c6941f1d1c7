#pragma once
// TNewContainerDlg: File > New Container. Like the other dialogs it has no
// logic of its own: its caller fills it with Fill() and reads Request()
// after it closes with OK; the checks on what was typed are the caller's.
// The one thing it does by itself is keep "Save as" on the usual place for
// the container (beside the first file) until the user chooses another.
#include <QDialog>
#include <string>
#include <vector>

#include "app/form_ui.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quellmark {

class TNewContainerDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNewContainerDlg(QWidget* owner);

    QListWidget* sourcesList;  // the files and folders to pack, by full path
    QPushButton* addFilesBtn;
    QPushButton* addFolderBtn;
    QPushButton* removeBtn;
    QComboBox* cipherCombo;
    QLineEdit* passEdit;
    QLineEdit* confirmEdit;
    QLineEdit* targetEdit;  // where the container is saved
    QPushButton* browseBtn;
    QCheckBox* cbSend;

    // Offers `ciphers` (in this order) and shows `request`.
    void Fill(const NewContainerRequest& request, const std::vector<std::string>& ciphers);
    NewContainerRequest Request() const;
    // Adds paths to the list, leaving out those already in it.
    void AddSources(const QStringList& paths);

private:
    void AddFiles();
    void AddFolder();
    void RemoveSelected();
    void BrowseTarget();
    // Puts the usual place into "Save as" unless the user chose one.
    void FollowSources();

    bool targetChosen_ = false;  // "Save as" was typed or browsed for
};

}  // namespace quellmark
