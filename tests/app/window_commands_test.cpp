// The real window, offscreen, for what a user sees of its commands: the title
// naming the open container, the keys of the File menu, another password
// asked for after a failed File > Open, Save's proposed name and the copy's
// time, and Extract All To with its replace question.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QTreeWidget>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/map_values.h"
#include "app/stamped_container.h"
#include "app/qt_application.h"
#include "app/widgets/main_window.h"
#include "app/widgets/password_dialog.h"
#include "app/widgets/attachment_dialog.h"
#include "app/widgets/new_container_dialog.h"
#include "app/new_container.h"
#include "app/fixed_store.h"
#include "mail_writer.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

// Answers the modal windows as they open, each with the next step of a
// script, and records what each showed (a message box "Title: text", the
// password dialog its file line, a file dialog its proposed name).
class ModalScript {
public:
    using Step = std::function<QString(QWidget*)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start(20);
    }
    bool Done() const { return next_ == steps_.size(); }
    std::vector<std::string> seen;

    // A message box: clicks `button`.
    static Step Click(QMessageBox::StandardButton button) {
        return [button](QWidget* widget) -> QString {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box) return {};
            const QString shown = box->windowTitle() + ": " + box->text();
            box->button(button)->click();
            return shown;
        };
    }
    // The password dialog: types `password` and confirms.
    static Step Type(const QString& password) {
        return [password](QWidget* widget) -> QString {
            auto* dialog = qobject_cast<TPassChangeDlg*>(widget);
            if (!dialog) return {};
            const QString shown = dialog->containerLabel->isVisible() ? dialog->containerLabel->text() : "(no file)";
            dialog->passEdit->setText(password);
            dialog->accept();
            return shown;
        };
    }
    // A file dialog: accepts `path` (a file's, or a folder's for a folder chooser).
    static Step Choose(const QString& path) {
        return [path](QWidget* widget) -> QString {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (!dialog) return {};
            const QString proposed =
                dialog->selectedFiles().isEmpty() ? QString() : QFileInfo(dialog->selectedFiles().front()).fileName();
            if (dialog->fileMode() == QFileDialog::Directory) {
                dialog->setDirectory(path);
            } else {
                dialog->setDirectory(QFileInfo(path).absolutePath());
                // A shown dialog leaves its name field alone while the field has
                // the focus, so the name goes into the field itself.
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->setText(QFileInfo(path).fileName());
            }
            QMetaObject::invokeMethod(dialog, "accept");
            return "file dialog proposing " + proposed;
        };
    }
    // The New Container dialog: filled with `request` by its own Fill, then confirmed.
    static Step FillNewContainer(const NewContainerRequest& request) {
        return [request](QWidget* widget) -> QString {
            auto* dialog = qobject_cast<TNewContainerDlg*>(widget);
            if (!dialog) return {};
            const QString shown = "new container offering " + dialog->cipherCombo->currentText();
            dialog->Fill(request, CipherChoices());
            dialog->accept();
            return shown;
        };
    }
    // The attachment chooser: picks row `row` and confirms.
    static Step Pick(int row) {
        return [row](QWidget* widget) -> QString {
            auto* dialog = qobject_cast<TAttachmentDlg*>(widget);
            if (!dialog) return {};
            QString shown = "attachments";
            for (int i = 0; i < dialog->attachmentList->topLevelItemCount(); ++i)
                shown += " " + dialog->attachmentList->topLevelItem(i)->text(0);
            dialog->attachmentList->setCurrentItem(dialog->attachmentList->topLevelItem(row));
            dialog->accept();
            return shown;
        };
    }
    static Step Cancel() {
        return [](QWidget* widget) -> QString {
            auto* dialog = qobject_cast<QDialog*>(widget);
            if (!dialog) return {};
            dialog->reject();
            return "cancelled " + QString(widget->metaObject()->className());
        };
    }

private:
    void Answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == answered_ || Done()) return;
        const QString shown = steps_[next_](modal);
        if (shown.isEmpty()) {
            seen.push_back(std::string("unexpected ") + modal->metaObject()->className());
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            next_ = steps_.size();
            return;
        }
        // A file dialog may not take a name before it has read its folder;
        // it stays open then, and the step is tried again.
        if (pending_.isEmpty()) pending_ = shown;
        if (modal->isVisible()) return;
        answered_ = modal;
        seen.push_back(pending_.toStdString());
        pending_.clear();
        ++next_;
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QPointer<QWidget> answered_;
    QString pending_;  // what the modal window showed when first answered
    QTimer timer_;
};

// Runs events until `done` holds, for at most about five seconds.
template <typename Condition>
bool WaitFor(Condition done) {
    for (int i = 0; i < 250 && !done(); ++i) QTest::qWait(20);
    return done();
}

const QString kDash = QString::fromUtf8(" \u2014 ");

// A key pressed in the window as the active window, where its shortcuts apply.
void PressInWindow(QWidget* window, Qt::Key key) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, key, Qt::ControlModifier);
}

class WindowCommandsTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        App();
        cacheHome.emplace("XDG_CACHE_HOME", (root / "cache").string());
        std::filesystem::create_directories(root / "cache");
        container = MakeStampedContainer(root, "mail.ozv", {{"a.txt", "A"}, {"docs/b.txt", "B"}});
    }
    std::unique_ptr<TMainWindow> Show(std::optional<std::string> argument, DesktopServices services = {}) {
        auto window = std::make_unique<TMainWindow>(store, placement, std::move(services), std::move(argument));
        window->Create();
        window->show();
        QApplication::processEvents();
        return window;
    }
    std::optional<ScopedEnv> cacheHome;
    FixedStore store;
    MapValues placement;
    std::string container;
};

TEST_F(WindowCommandsTest, TheTitleNamesTheOpenContainerAndThePasswordDialogTheFileItIsFor) {
    store.entry = {"", false};
    ModalScript script({ModalScript::Type("right")});
    auto window = Show(container);
    ASSERT_TRUE(WaitFor([&] { return window->fileView->count() == 2; }));
    EXPECT_EQ(script.seen, std::vector<std::string>{"Password for mail.ozv:"});
    EXPECT_EQ(window->windowTitle(), "mail.ozv" + kDash + "Quellmark");

    // A failed open leaves nothing listed, and the title names nothing.
    const std::string noise = MakeFile("noise.ozv", std::string(4000, 'z'));
    ModalScript failed({ModalScript::Choose(QString::fromStdString(noise)), ModalScript::Click(QMessageBox::Ok),
                        ModalScript::Click(QMessageBox::No)});
    window->Open1->trigger();
    EXPECT_TRUE(failed.Done());
    EXPECT_EQ(window->fileView->count(), 0);
    EXPECT_EQ(window->windowTitle(), "Quellmark");
    window->close();
}

TEST_F(WindowCommandsTest, AFailedFileOpenAsksForAnotherPasswordAndOpensWithIt) {
    store.entry = {"wrong", true};
    auto window = Show(std::nullopt);
    EXPECT_EQ(window->windowTitle(), "Quellmark");
    ModalScript script({ModalScript::Choose(QString::fromStdString(container)), ModalScript::Click(QMessageBox::Ok),
                        ModalScript::Click(QMessageBox::Yes), ModalScript::Type("right")});
    window->Open1->trigger();
    ASSERT_FALSE(script.seen.empty());
    EXPECT_EQ(std::vector<std::string>(script.seen.begin() + 1, script.seen.end()),
              (std::vector<std::string>{"Error: Invalid Password",
                                        "Confirm: Your Password is Incorrect. Would you like to enter a new one now?",
                                        "Password for mail.ozv:"}));
    EXPECT_EQ(window->fileView->count(), 2);
    EXPECT_EQ(window->windowTitle(), "mail.ozv" + kDash + "Quellmark");
    EXPECT_EQ(store.entry.password, "right");
    EXPECT_FALSE(store.entry.remember);
    window->close();
}

TEST_F(WindowCommandsTest, TheFileMenuKeepsItsCaptionsAndGainsTheStandardKeys) {
    store.entry = {"right", true};
    auto window = Show(container);
    ASSERT_EQ(window->fileView->count(), 2);
    QMenu* file = window->menuBar()->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    std::vector<std::string> captions;
    for (QAction* action : file->actions()) captions.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"&Open...", "&New Container...", "&Change Password...", "-", "&View",
                                                  "&Save...", "Save &All...", "Extract All &To...", "-", "E&xit"}));
    EXPECT_EQ(window->Open1->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(window->NewContainer1->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(window->Save2->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(window->ExtractAllTo2->shortcut(), QKeySequence("Ctrl+E"));
    EXPECT_EQ(window->Exit1->shortcut(), QKeySequence("Ctrl+Q"));
    std::vector<std::string> popup;
    for (QAction* action : window->PopupMenu->actions()) {
        popup.push_back(action->text().toStdString());
        EXPECT_TRUE(action->shortcut().isEmpty()) << "a key bound twice would do nothing";
    }
    EXPECT_EQ(popup, (std::vector<std::string>{"&View", "&Save", "Save &All", "Extract All &To..."}));

    {
        SCOPED_TRACE("Ctrl+O shows the open dialog");
        ModalScript script({ModalScript::Cancel()});
        PressInWindow(window.get(), Qt::Key_O);
        EXPECT_TRUE(WaitFor([&] { return script.Done(); }));
        EXPECT_EQ(script.seen, std::vector<std::string>{"cancelled QFileDialog"});
    }
    {
        SCOPED_TRACE("Ctrl+S works once a file is selected, though the menu last showed Save disabled");
        emit file->aboutToShow();
        EXPECT_FALSE(window->Save2->isEnabled());
        emit file->aboutToHide();
        window->fileView->setCurrentRow(1);
        ModalScript script({ModalScript::Cancel()});
        PressInWindow(window.get(), Qt::Key_S);
        EXPECT_TRUE(WaitFor([&] { return script.Done(); }));
    }
    {
        SCOPED_TRACE("Ctrl+Q closes the window");
        PressInWindow(window.get(), Qt::Key_Q);
        EXPECT_TRUE(WaitFor([&] { return !window->isVisible(); }));
    }
}

TEST_F(WindowCommandsTest, SaveProposesTheFilesOwnNameAndTheCopyKeepsItsTime) {
    store.entry = {"right", true};
    auto window = Show(container);
    ASSERT_EQ(window->fileView->count(), 2);
    window->fileView->setCurrentRow(1);  // docs/b.txt
    const std::string target = (root / "saved" / "b.txt").string();
    std::filesystem::create_directories(root / "saved");
    ModalScript script({ModalScript::Choose(QString::fromStdString(target))});
    window->Save2->trigger();
    EXPECT_EQ(script.seen, std::vector<std::string>{"file dialog proposing b.txt"});
    EXPECT_EQ(ReadFile(target), "B");
    EXPECT_EQ(ModificationTime(target), kStoredTime);
    window->close();
}

TEST_F(WindowCommandsTest, ExtractAllToWritesTheSubFoldersAndAsksBeforeReplacing) {
    store.entry = {"right", true};
    auto window = Show(container);
    ASSERT_EQ(window->fileView->count(), 2);
    const std::string out = (root / "out").string();
    MakeFile("out/a.txt", "old a");
    MakeFile("out/docs/b.txt", "old b");
    std::vector<std::string> buttons;
    ModalScript script({ModalScript::Choose(QString::fromStdString(out)),
                        [&buttons](QWidget* widget) -> QString {
                            auto* box = qobject_cast<QMessageBox*>(widget);
                            if (!box) return {};
                            for (QAbstractButton* button : box->buttons()) buttons.push_back(button->text().toStdString());
                            return ModalScript::Click(QMessageBox::No)(widget);
                        },
                        ModalScript::Click(QMessageBox::Yes)});
    window->ExtractAllTo2->trigger();
    ASSERT_TRUE(script.Done()) << script.seen.size();
    EXPECT_EQ(script.seen[1], "Confirm: The file \"" + out + "/a.txt\" already exists.\nDo you want to replace it?");
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (std::vector<std::string>{"&No", "&Yes", "N&o to All", "Yes to &All"}));
    EXPECT_EQ(ReadFile(out + "/a.txt"), "old a");
    EXPECT_EQ(ReadFile(out + "/docs/b.txt"), "B");
    EXPECT_EQ(ModificationTime(out + "/docs/b.txt"), kStoredTime);

    // The next Extract All To starts in the folder chosen last; Yes to All replaces without asking again.
    ModalScript again({[&](QWidget* widget) -> QString {
                           auto* dialog = qobject_cast<QFileDialog*>(widget);
                           if (!dialog) return {};
                           const QString start = dialog->directory().absolutePath();
                           QMetaObject::invokeMethod(dialog, "accept");
                           return "folder chooser in " + start;
                       },
                       ModalScript::Click(QMessageBox::YesToAll)});
    window->ExtractAllTo2->trigger();
    ASSERT_TRUE(again.Done());
    EXPECT_EQ(again.seen[0], "folder chooser in " + out);
    EXPECT_EQ(ReadFile(out + "/a.txt"), "A");
    EXPECT_EQ(ReadFile(out + "/docs/b.txt"), "B");
    window->close();
}

}  // namespace

}  // namespace quellmark

namespace quellmark {

namespace {

TEST_F(WindowCommandsTest, MailWithSeveralContainersOpensTheOneChosenFromTheList) {
    store.entry = {"right", true};
    auto window = Show(std::nullopt);
    const std::string other = MakeStampedContainer(root, "other.ozv", {{"c.txt", "C"}});
    const std::string mail =
        WriteMail((root / "saved.eml").string(), {TextWith({AttachmentPart(container, "mail.ozv"), AttachmentPart(other, "other.ozv")})});
    QStringList filters;
    ModalScript script({[&](QWidget* widget) -> QString {
                            auto* dialog = qobject_cast<QFileDialog*>(widget);
                            if (dialog) filters = dialog->nameFilters();
                            return ModalScript::Choose(QString::fromStdString(mail))(widget);
                        },
                        ModalScript::Pick(1)});
    window->Open1->trigger();
    EXPECT_TRUE(script.Done());
    ASSERT_EQ(script.seen.size(), 2u);
    EXPECT_EQ(script.seen[1], "attachments mail.ozv other.ozv");
    // The containers' own filter stays first; messages and everything else follow.
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0], "Encrypted E-mail Files (*.ozv)");
    EXPECT_TRUE(filters[1].contains("*.eml") && filters[1].contains("winmail.dat")) << filters[1].toStdString();
    EXPECT_EQ(filters[2], "All Files (*)");
    EXPECT_EQ(window->fileView->Captions(), QStringList{"c.txt"});
    EXPECT_EQ(window->windowTitle(), "other.ozv" + kDash + "Quellmark");
    window->close();
}

TEST_F(WindowCommandsTest, SendingFilesOpensTheDialogFilledAndTicked) {
    store.entry = {"right", true};
    auto window = std::make_unique<TMainWindow>(store, placement, DesktopServices{}, std::nullopt);
    window->Create();
    const std::string letter = MakeFile("send/letter.txt", "Dear Sir");
    NewContainerRequest shown;
    ModalScript script({[&](QWidget* widget) -> QString {
        auto* dialog = qobject_cast<TNewContainerDlg*>(widget);
        if (!dialog) return {};
        shown = dialog->Request();
        dialog->reject();
        return "new container";
    }});
    EXPECT_FALSE(window->SendFiles({letter}));
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(shown.sources, std::vector<std::string>{letter});
    EXPECT_EQ(shown.target, letter + ".ozv");
    EXPECT_EQ(shown.cipher, "Blowfish");
    EXPECT_TRUE(shown.sendByMail);
    // Sending needs no window of files.
    EXPECT_FALSE(window->isVisible());
    window->CloseDown();
}

TEST_F(WindowCommandsTest, CtrlNMakesAContainerAndSendsItThroughTheComposer) {
    store.entry = {"right", true};
    std::vector<std::string> composed;
    DesktopServices services;
    services.composeMail = [&](const std::string& path) { composed.push_back(path); };
    auto window = Show(std::nullopt, services);

    NewContainerRequest request;
    request.sources = {MakeFile("send/letter.txt", "Dear Sir")};
    request.password = request.confirmation = "sent";
    request.target = (root / "letter.ozv").string();
    request.sendByMail = true;
    ModalScript script({ModalScript::FillNewContainer(request)});
    PressInWindow(window.get(), Qt::Key_N);
    EXPECT_TRUE(WaitFor([&] { return !composed.empty(); }));
    EXPECT_EQ(script.seen, std::vector<std::string>{"new container offering Blowfish"});
    EXPECT_EQ(composed, std::vector<std::string>{request.target});

    // The window opens what it wrote, with the password it was written with.
    window->Form().password = "sent";
    ModalScript open({ModalScript::Choose(QString::fromStdString(request.target))});
    window->Open1->trigger();
    EXPECT_EQ(window->fileView->Captions(), QStringList{"letter.txt"});
    window->close();
}

}  // namespace

}  // namespace quellmark
