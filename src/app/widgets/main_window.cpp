#include "app/widgets/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/new_container.h"
#include "app/widgets/about_dialog.h"
#include "app/widgets/attachment_dialog.h"
#include "app/widgets/container_drop.h"
#include "app/widgets/new_container_dialog.h"
#include "app/widgets/password_dialog.h"
#include "base/exception.h"

namespace quellmark {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Message boxes keep the system's captions, icons and buttons.
int Box(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const std::string& text,
        QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, Text(text), buttons, owner);
    if (buttons & QMessageBox::Yes) {
        box.button(QMessageBox::Yes)->setText("&Yes");
        box.button(QMessageBox::No)->setText("&No");
    }
    return box.exec();
}

}  // namespace

QString ApplicationErrorText(const QString& message) {
    // A full stop ends the message unless it already ends in punctuation.
    if (!message.isEmpty() && message.back() > QChar('.')) return message + ".";
    return message;
}

TMainWindow::TMainWindow(TPasswordStore& store, TPlacementValues& placement, DesktopServices services,
                         std::optional<std::string> argument)
    : services_(std::move(services)), placement_(placement), form_(*this, store, std::move(argument)) {
    form_.passwordCodePage = services_.passwordCodePage;
    setObjectName("Form1");
    setWindowTitle("Quellmark");
    resize(334, 283);

    fileView = new TFileView(this);
    fileView->setObjectName("fileView");
    setCentralWidget(fileView);
    // A container dropped on the window opens as File > Open opens it.
    new TContainerDropTarget(this, [this](const std::string& path) { form_.OpenChosen(path); });

    QMenu* file = menuBar()->addMenu("&File");
    Open1 = file->addAction("&Open...", this, [this] { form_.Open1Click(); });
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    NewContainer1 = file->addAction("&New Container...", this, [this] { form_.NewContainer1Click(); });
    NewContainer1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    ChangePassword1 = file->addAction("&Change Password...", this, [this] { form_.ChangePassword1Click(); });
    file->addSeparator();
    View2 = file->addAction("&View", this, [this] { form_.View1Click(); });
    Save2 = file->addAction("&Save...", this, [this] { form_.Save1Click(); });
    Save2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveAll2 = file->addAction("Save &All...", this, [this] { form_.SaveAll1Click(); });
    ExtractAllTo2 = file->addAction("Extract All &To...", this, [this] { form_.ExtractAllTo1Click(); });
    ExtractAllTo2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    Exit1 = file->addAction("E&xit", this, [this] { close(); });
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(file, &QMenu::aboutToShow, this, [this] { EnableFileCommands(); });
    connect(file, &QMenu::aboutToHide, this, [this] { EnableAllFileCommands(); });
    QMenu* view = menuBar()->addMenu("&View");
    auto* viewStyles = new QActionGroup(this);
    IconView1 = view->addAction("&Icons", this, [this] { ChooseViewStyle(TFileView::Style::Icons); });
    DetailsView1 = view->addAction("&Details", this, [this] { ChooseViewStyle(TFileView::Style::Details); });
    for (QAction* action : {IconView1, DetailsView1}) {
        action->setCheckable(true);
        viewStyles->addAction(action);
    }
    const auto stored = services_.readViewStyle ? TFileView::StyleNamed(services_.readViewStyle()) : std::nullopt;
    fileView->SetStyle(stored.value_or(TFileView::Style::Icons));
    (fileView->CurrentStyle() == TFileView::Style::Details ? DetailsView1 : IconView1)->setChecked(true);
    QMenu* help = menuBar()->addMenu("&Help");
    About1 = help->addAction("&About", this, [this] {
        TOzvAboutDlg about(this, services_.openLink);
        about.exec();
    });

    PopupMenu = new QMenu(this);
    View1 = PopupMenu->addAction("&View", this, [this] { form_.View1Click(); });
    Save1 = PopupMenu->addAction("&Save", this, [this] { form_.Save1Click(); });
    SaveAll1 = PopupMenu->addAction("Save &All", this, [this] { form_.SaveAll1Click(); });
    // The keys belong to the File menu's commands alone: a key bound twice would do nothing.
    ExtractAllTo1 = PopupMenu->addAction("Extract All &To...", this, [this] { form_.ExtractAllTo1Click(); });
    connect(fileView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        EnableFileCommands();
        PopupMenu->exec(fileView->viewport()->mapToGlobal(at));
        EnableAllFileCommands();
    });
    // Enter, or a double-click anywhere in the list, views the selected item.
    connect(fileView, &TFileView::ViewRequested, this, [this] { form_.View1Click(); });
}

bool TMainWindow::Create() {
    try {
        form_.FormCreate();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Quellmark", ApplicationErrorText(QString::fromStdString(e.what())));
    }
    return true;
}

void TMainWindow::EnableFileCommands() {
    const TForm1::FileCommands enabled = form_.EnabledFileCommands();
    for (QAction* action : {View1, View2}) action->setEnabled(enabled.view);
    for (QAction* action : {Save1, Save2}) action->setEnabled(enabled.save);
    for (QAction* action : {SaveAll1, SaveAll2}) action->setEnabled(enabled.saveAll);
    for (QAction* action : {ExtractAllTo1, ExtractAllTo2}) action->setEnabled(enabled.extractAll);
}

void TMainWindow::EnableAllFileCommands() {
    for (QAction* action : {View1, View2, Save1, Save2, SaveAll1, SaveAll2, ExtractAllTo1, ExtractAllTo2})
        action->setEnabled(true);
}

void TMainWindow::ChooseViewStyle(TFileView::Style style) {
    fileView->SetStyle(style);
    if (services_.writeViewStyle) services_.writeViewStyle(TFileView::NameOf(style));
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placementRestored_) return;
    RestorePlacement();
    // Showing the main window at start activates it; without a window
    // manager no activation event would follow, so the first one is made here.
    QTimer::singleShot(0, this, [this] { form_.FormActivate(); });
}

void TMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    // Later activations (after a modal dialog) only repeat the check.
    QTimer::singleShot(0, this, [this] { form_.FormActivate(); });
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    CloseDown();
    event->accept();
}

bool TMainWindow::SendFiles(const std::vector<std::string>& files) {
    NewContainerRequest request;
    request.sources = files;
    request.target = DefaultContainerPath(files);
    request.sendByMail = true;
    return form_.NewContainer1Click(request);
}

void TMainWindow::CloseDown() {
    if (closedDown_) return;
    closedDown_ = true;
    SavePlacement();
    form_.FormClose();
}

ScreenMetrics TMainWindow::Screen() const {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize size = screen->size();
    ScreenMetrics metrics{size.width(), size.height(), static_cast<int>(screen->logicalDotsPerInch()), {}, {}};
    auto rectOf = [](const QRect& area) {
        return ScreenRect{area.x(), area.y(), area.x() + area.width(), area.y() + area.height()};
    };
    for (const QScreen* each : QGuiApplication::screens()) metrics.screens.push_back(rectOf(each->geometry()));
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        metrics.primaryAvailable = rectOf(primary->availableGeometry());
    return metrics;
}

WindowPlacement TMainWindow::CurrentPlacement() const {
    WindowPlacement placement;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    return placement;
}

void TMainWindow::RestorePlacement() {
    placementRestored_ = true;
    try {
        RestoredPlacement restored = ReadPlacement(placement_, CurrentPlacement(), Screen());
        if (restored.placement)
            setGeometry(restored.placement->left, restored.placement->top,
                        restored.placement->right - restored.placement->left,
                        restored.placement->bottom - restored.placement->top);
        if (restored.state == ShowState::Maximized) setWindowState(windowState() | Qt::WindowMaximized);
        if (restored.state == ShowState::Minimized) setWindowState(windowState() | Qt::WindowMinimized);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Quellmark", ApplicationErrorText(QString::fromStdString(e.what())));
    }
}

void TMainWindow::SavePlacement() {
    if (!placementRestored_) return;
    try {
        WindowPlacement placement = CurrentPlacement();
        placement.showCmd = isMaximized() ? 3 : isMinimized() ? 2 : 1;
        placement.maxX = placement.maxY = -1;
        placement.minX = placement.minY = -1;
        WritePlacement(placement_, placement, Screen(), isMinimized(), false);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Quellmark", ApplicationErrorText(QString::fromStdString(e.what())));
    }
}

// ---- what TForm1 asks of the window ----

std::optional<PasswordEntry> TMainWindow::AskPassword(const PasswordEntry& initial, const std::string& containerPath) {
    TPassChangeDlg dialog(this, services_.passwordCodePage);
    dialog.ShowContainer(containerPath);
    dialog.SetPassword(initial.password);
    dialog.cbRemember->setChecked(initial.remember);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return PasswordEntry{dialog.KeyedPassword(), dialog.cbRemember->isChecked()};
}

void TMainWindow::ShowError(const std::string& text) { Box(this, QMessageBox::Critical, "Error", text, QMessageBox::Ok); }

void TMainWindow::ShowMessage(const std::string& text) {
    Box(this, QMessageBox::NoIcon, "Quellmark", text, QMessageBox::Ok);
}

bool TMainWindow::AskYesNo(const std::string& text) {
    return Box(this, QMessageBox::Question, "Confirm", text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> TMainWindow::ChooseContainer() {
    QFileDialog dialog(this);
    // Mail is told by its content when opened; the filter offers the names
    // saved messages, mailboxes and Outlook's wrappers usually have.
    dialog.setNameFilters({"Encrypted E-mail Files (*.ozv)",
                           "E-mail Messages (*.eml *.mbox *.mbx winmail.dat *.dat)", "All Files (*)"});
    dialog.setDefaultSuffix("OZV");
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void TMainWindow::ClearList() { fileView->Clear(); }

void TMainWindow::AddListItem(const std::string& caption, int imageIndex) {
    fileView->SetFolder(Text(form_.scratchDir));
    fileView->AddItem(Text(caption), services_.iconAt ? services_.iconAt(imageIndex) : QIcon());
}

std::vector<std::string> TMainWindow::ListItems() {
    std::vector<std::string> items;
    for (const QString& caption : fileView->Captions()) items.push_back(caption.toStdString());
    return items;
}

std::optional<std::string> TMainWindow::SelectedItem() {
    const std::optional<QString> selected = fileView->SelectedCaption();
    if (!selected) return std::nullopt;
    return selected->toStdString();
}

std::optional<std::string> TMainWindow::ChooseSaveTarget(const std::string& fileName, const std::string& directory) {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!directory.empty()) dialog.setDirectory(Text(directory));
    dialog.selectFile(Text(fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> TMainWindow::ChooseFolder(const std::string& startDirectory) {
    QFileDialog dialog(this, "Extract All To");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!startDirectory.empty()) dialog.setDirectory(Text(startDirectory));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

ReplaceAnswer TMainWindow::AskReplace(const std::string& path) {
    QMessageBox box(QMessageBox::Question, "Confirm",
                    QString("The file \"%1\" already exists.\nDo you want to replace it?").arg(Text(path)),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll, this);
    box.button(QMessageBox::Yes)->setText("&Yes");
    box.button(QMessageBox::No)->setText("&No");
    box.button(QMessageBox::YesToAll)->setText("Yes to &All");
    box.button(QMessageBox::NoToAll)->setText("N&o to All");
    // Closing the box keeps the file, as No does.
    box.setEscapeButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes: return ReplaceAnswer::Yes;
    case QMessageBox::YesToAll: return ReplaceAnswer::YesToAll;
    case QMessageBox::NoToAll: return ReplaceAnswer::NoToAll;
    default: return ReplaceAnswer::No;
    }
}

void TMainWindow::ShowContainerName(const std::string& fileName) {
    setWindowTitle(fileName.empty() ? QString("Quellmark") : Text(fileName) + QString::fromUtf8(" \u2014 Quellmark"));
}

void TMainWindow::LaunchDocument(const std::string& path) {
    if (services_.launchDocument) services_.launchDocument(path);
}

void TMainWindow::ResetIcons() {
    if (services_.resetIcons) services_.resetIcons();
}

int TMainWindow::IconIndexFor(const std::string& fileName) {
    return services_.iconIndexFor ? services_.iconIndexFor(fileName) : 0;
}

void TMainWindow::LogWarning(const std::string& text) { qWarning("%s", text.c_str()); }

std::optional<std::size_t> TMainWindow::ChooseAttachment(const std::vector<MailContainer>& containers) {
    TAttachmentDlg dialog(this);
    dialog.Fill(containers);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen();
}

std::optional<NewContainerRequest> TMainWindow::AskNewContainer(const NewContainerRequest& initial) {
    TNewContainerDlg dialog(this);
    dialog.Fill(initial, CipherChoices());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Request();
}

void TMainWindow::ComposeMail(const std::string& path) {
    if (!services_.composeMail) throw Exception("No mail program is known to this program");
    services_.composeMail(path);
}

void TMainWindow::ProgressCaption(const std::string& text) {
    progressCaption_ = Text(text);
    if (progress_) progress_->setLabelText(progressCaption_);
}

void TMainWindow::CloseWindow() { QTimer::singleShot(0, this, [this] { close(); }); }

void TMainWindow::Progress(int64_t current, int64_t total) {
    // Small containers decode in a blink; a dialog is worth it from 16 MiB on.
    constexpr int64_t kWorthShowing = 16 << 20;
    if (total == 0) {
        delete progress_;
        progress_ = nullptr;
        return;
    }
    if (total < kWorthShowing) return;
    if (!progress_) {
        progress_ = new QProgressDialog(progressCaption_, QString(), 0, 1000, this);
        progress_->setWindowTitle("Quellmark");
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(500);
    }
    progress_->setValue(static_cast<int>(current * 1000 / total));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace quellmark
