#include "app/widgets/new_container_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/new_container.h"
#include "app/widgets/dialog_buttons.h"

namespace quellmark {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLineEdit* PasswordField(QWidget* owner, const char* name) {
    auto* field = new QLineEdit(owner);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    return field;
}

}  // namespace

TNewContainerDlg::TNewContainerDlg(QWidget* owner) : QDialog(owner) {
    setObjectName("NewContainerDlg");
    setWindowTitle("New Container");

    sourcesList = new QListWidget(this);
    sourcesList->setObjectName("sourcesList");
    sourcesList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addFilesBtn = new QPushButton("Add &Files...", this);
    addFilesBtn->setObjectName("addFilesBtn");
    addFolderBtn = new QPushButton("Add F&older...", this);
    addFolderBtn->setObjectName("addFolderBtn");
    removeBtn = new QPushButton("&Remove", this);
    removeBtn->setObjectName("removeBtn");
    connect(addFilesBtn, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(addFolderBtn, &QPushButton::clicked, this, [this] { AddFolder(); });
    connect(removeBtn, &QPushButton::clicked, this, [this] { RemoveSelected(); });

    cipherCombo = new QComboBox(this);
    cipherCombo->setObjectName("cipherCombo");
    cipherCombo->setMaxVisibleItems(20);
    passEdit = PasswordField(this, "passEdit");
    confirmEdit = PasswordField(this, "confirmEdit");
    targetEdit = new QLineEdit(this);
    targetEdit->setObjectName("targetEdit");
    targetEdit->setMinimumWidth(320);
    connect(targetEdit, &QLineEdit::textEdited, this, [this] { targetChosen_ = !targetEdit->text().isEmpty(); });
    browseBtn = new QPushButton("&Browse...", this);
    browseBtn->setObjectName("browseBtn");
    connect(browseBtn, &QPushButton::clicked, this, [this] { BrowseTarget(); });
    cbSend = new QCheckBox("Send by &e-mail", this);
    cbSend->setObjectName("cbSend");

    auto* buttons = OkCancelButtons(this);

    auto* sourceButtons = new QVBoxLayout;
    sourceButtons->addWidget(addFilesBtn);
    sourceButtons->addWidget(addFolderBtn);
    sourceButtons->addWidget(removeBtn);
    sourceButtons->addStretch();
    auto* target = new QHBoxLayout;
    target->addWidget(targetEdit, 1);
    target->addWidget(browseBtn);

    // Each label's key leads to its field.
    auto label = [this](const char* text, QWidget* field) {
        auto* made = new QLabel(text, this);
        made->setBuddy(field);
        return made;
    };
    auto* layout = new QGridLayout(this);
    layout->addWidget(label("Files and folders to put in the &container:", sourcesList), 0, 0, 1, 3);
    layout->addWidget(sourcesList, 1, 0, 1, 2);
    layout->addLayout(sourceButtons, 1, 2);
    layout->addWidget(label("C&ipher:", cipherCombo), 2, 0);
    layout->addWidget(cipherCombo, 2, 1);
    layout->addWidget(label("&Password:", passEdit), 3, 0);
    layout->addWidget(passEdit, 3, 1);
    layout->addWidget(label("Con&firm password:", confirmEdit), 4, 0);
    layout->addWidget(confirmEdit, 4, 1);
    layout->addWidget(label("Save &as:", targetEdit), 5, 0);
    layout->addLayout(target, 5, 1, 1, 2);
    layout->addWidget(cbSend, 6, 1);
    layout->addWidget(buttons, 7, 0, 1, 3);
}

void TNewContainerDlg::Fill(const NewContainerRequest& request, const std::vector<std::string>& ciphers) {
    cipherCombo->clear();
    for (const std::string& cipher : ciphers) cipherCombo->addItem(Text(cipher));
    cipherCombo->setCurrentIndex(std::max(0, cipherCombo->findText(Text(request.cipher))));
    sourcesList->clear();
    targetEdit->setText(Text(request.target));
    // A target that differs from the usual place was the user's choice.
    targetChosen_ = !request.target.empty() && request.target != DefaultContainerPath(request.sources);
    QStringList sources;
    for (const std::string& source : request.sources) sources.append(Text(source));
    AddSources(sources);
    passEdit->setText(Text(request.password));
    confirmEdit->setText(Text(request.confirmation));
    cbSend->setChecked(request.sendByMail);
}

NewContainerRequest TNewContainerDlg::Request() const {
    NewContainerRequest request;
    for (int i = 0; i < sourcesList->count(); ++i) request.sources.push_back(sourcesList->item(i)->text().toStdString());
    request.cipher = cipherCombo->currentText().toStdString();
    request.password = passEdit->text().toStdString();
    request.confirmation = confirmEdit->text().toStdString();
    request.target = targetEdit->text().toStdString();
    request.sendByMail = cbSend->isChecked();
    return request;
}

void TNewContainerDlg::AddSources(const QStringList& paths) {
    for (const QString& path : paths) {
        const QString full = QFileInfo(path).absoluteFilePath();
        if (sourcesList->findItems(full, Qt::MatchExactly).isEmpty()) sourcesList->addItem(full);
    }
    FollowSources();
}

void TNewContainerDlg::AddFiles() {
    AddSources(QFileDialog::getOpenFileNames(this, "Add Files"));
}

void TNewContainerDlg::AddFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, "Add Folder");
    if (!folder.isEmpty()) AddSources({folder});
}

void TNewContainerDlg::RemoveSelected() {
    qDeleteAll(sourcesList->selectedItems());
    FollowSources();
}

void TNewContainerDlg::BrowseTarget() {
    QFileDialog dialog(this, "Save Container As");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Replacing a file is asked about once, after OK, whichever way the name came.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilter("Encrypted E-mail Files (*.ozv)");
    dialog.setDefaultSuffix("ozv");
    const QFileInfo current(targetEdit->text());
    if (!targetEdit->text().isEmpty()) {
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    targetEdit->setText(dialog.selectedFiles().front());
    targetChosen_ = true;
}

void TNewContainerDlg::FollowSources() {
    if (targetChosen_) return;
    targetEdit->setText(Text(DefaultContainerPath(Request().sources)));
}

}  // namespace quellmark
