// The real widgets, offscreen: a container from the command line with a
// remembered password is listed, the menus follow the list, and Save All
// goes through three save dialogs.
#include <gtest/gtest.h>

#include "app/map_values.h"
#include "app/qt_application.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

#include "app/widgets/about_dialog.h"
#include "app/widgets/application.h"
#include "app/widgets/main_window.h"
#include "app/widgets/password_dialog.h"
#include "base/exception.h"
#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "app/fixed_store.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

// Answers the next modal file dialogs in turn: "=" accepts what the dialog
// offers, a directory accepts the offered name there, empty cancels.
void AnswerFileDialogs(std::vector<QString> answers) {
    auto remaining = std::make_shared<std::vector<QString>>(std::move(answers));
    auto* timer = new QTimer(QApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [remaining, timer] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (remaining->empty()) {
            timer->deleteLater();
            return;
        }
        const QString answer = remaining->front();
        remaining->erase(remaining->begin());
        if (answer.isEmpty()) {
            dialog->reject();
        } else {
            if (answer != "=") {
                const QString name = dialog->selectedFiles().isEmpty() ? QString()
                                                                       : QFileInfo(dialog->selectedFiles().front()).fileName();
                dialog->setDirectory(answer);
                dialog->selectFile(name);
            }
            QMetaObject::invokeMethod(dialog, "accept");
        }
        if (remaining->empty()) timer->deleteLater();
    });
    timer->start(20);
}

class MainWindowTest : public TempDirTest {
protected:
    // A container of (stored name, content) pairs under the password "right".
    std::string MakeContainer(const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<CabSource> sources;
        for (std::size_t i = 0; i < files.size(); ++i)
            sources.push_back({MakeFile("src/" + std::to_string(i), files[i].second), files[i].first, 0});
        WriteCabinet((root / "body.cab").string(), sources, true);
        const std::string container = (root / "mail.ozv").string();
        WriteContainer((root / "body.cab").string(), container, 1, "right");
        return container;
    }
};

TEST_F(MainWindowTest, ListsTheCommandLineContainerAndSavesAllButACancelledItem) {
    App();
    ScopedEnv cache("XDG_CACHE_HOME", (root / "cache").string());
    std::filesystem::create_directories(root / "cache");
    const std::string container = MakeContainer({{"one.txt", "one"}, {"two.txt", "two"}, {"three.txt", "three"}});

    FixedStore store;
    store.entry = {"right", true};
    MapValues placement;
    int iconLookups = 0;
    DesktopServices services;
    services.iconIndexFor = [&](const std::string&) { return ++iconLookups, 0; };
    TMainWindow window(store, placement, services, container);
    window.Create();
    window.show();
    QApplication::processEvents();
    ASSERT_EQ(window.fileView->count(), 3);
    EXPECT_EQ(window.fileView->item(1)->text(), "two.txt");
    EXPECT_EQ(iconLookups, 3);

    auto commands = window.Form().EnabledFileCommands();
    EXPECT_TRUE(commands.saveAll);
    EXPECT_FALSE(commands.view);
    window.fileView->setCurrentRow(0);
    EXPECT_TRUE(window.Form().EnabledFileCommands().save);

    const QString out = QString::fromStdString((root / "saved").string());
    std::filesystem::create_directories(root / "saved");
    // The third dialog starts where the first save went, with its own name filled in.
    AnswerFileDialogs({out, QString(), "="});
    window.SaveAll2->trigger();
    EXPECT_EQ(ReadFile((root / "saved" / "one.txt").string()), "one");
    EXPECT_FALSE(std::filesystem::exists(root / "saved" / "two.txt"));
    EXPECT_EQ(ReadFile((root / "saved" / "three.txt").string()), "three");

    window.close();
    EXPECT_EQ(placement.values["FormVersion"], "0");
    EXPECT_FALSE(placement.values["NormPos"].empty());
}

}  // namespace

namespace {

// Closes the next message box that opens, remembering its text.
void CloseNextMessageBox(QString* text) {
    QTimer::singleShot(50, [text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->close();
        }
    });
}

// Closes every message box as it opens, collecting the texts, for as long as
// the returned timer lives.
std::unique_ptr<QTimer> CloseMessageBoxes(std::vector<QString>* texts) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [texts] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts->push_back(box->windowTitle() + ": " + box->text());
            box->close();
        }
    });
    timer->start(20);
    return timer;
}

struct UnreadableStore : TPasswordStore {
    PasswordEntry Load() override { throw Exception("Invalid data type for 'data'"); }
    void Save(const PasswordEntry&) override {}
};

TEST_F(MainWindowTest, AnUnreadablePasswordRecordShowsTheErrorThenEndsWithThePermissionsMessage) {
    App();
    ScopedEnv cache("XDG_CACHE_HOME", (root / "cache").string());
    UnreadableStore store;
    MapValues placement;
    std::vector<QString> shown;
    auto closer = CloseMessageBoxes(&shown);
    TMainWindow window(store, placement, {}, std::nullopt);
    window.Create();
    window.show();
    // Long enough for another box, had the permissions message come again.
    for (int i = 0; i < 25; ++i) QTest::qWait(20);
    ASSERT_EQ(shown.size(), 2u);
    // No full stop is added after a closing quotation mark.
    EXPECT_EQ(shown[0].toStdString(), "Quellmark: Invalid data type for 'data'");
    EXPECT_TRUE(shown[1].startsWith("Error: It appears you do not have the appropriate Operating System Permissions"))
        << shown[1].toStdString();
    EXPECT_FALSE(window.isVisible()) << "the program ends after the permissions message";
    EXPECT_FALSE(std::filesystem::exists(root / "cache" / "quellmark")) << "no scratch directory was made";
}

TEST_F(MainWindowTest, TheAboutBoxShowsTheVersionAndItsLinkOpensTheWebAddress) {
    App();
    std::vector<QString> opened;
    QString version;
    QTimer::singleShot(50, [&] {
        auto* about = qobject_cast<TOzvAboutDlg*>(QApplication::activeModalWidget());
        if (!about) return;
        version = about->Label5->text();
        // Click where the link text starts.
        const QRect text = about->Label4->contentsRect();
        QTest::mouseClick(about->Label4, Qt::LeftButton, {}, QPoint(text.left() + 3, text.center().y()));
        about->accept();
    });
    FixedStore store;
    store.entry = {"", true};
    MapValues placement;
    DesktopServices services;
    services.openLink = [&](const QString& url) { opened.push_back(url); };
    TMainWindow window(store, placement, services, std::nullopt);
    window.About1->trigger();
    EXPECT_EQ(version, "Version: 6.1.101109");
    EXPECT_EQ(opened, std::vector<QString>{TOzvAboutDlg::kWebAddress});
}

TEST_F(MainWindowTest, ThePlacementOfOneRunIsTheNextRunsAndMaximizedStaysSo) {
    App();
    ScopedEnv cache("XDG_CACHE_HOME", (root / "cache").string());
    std::filesystem::create_directories(root / "cache");
    FixedStore store;
    store.entry = {"", true};
    MapValues placement;
    {
        TMainWindow first(store, placement, {}, std::nullopt);
        first.Create();
        first.show();
        QApplication::processEvents();
        first.setGeometry(120, 90, 400, 300);
        QApplication::processEvents();
        first.close();
    }
    const std::string stored = placement.values["NormPos"];
    EXPECT_FALSE(stored.empty());
    {
        TMainWindow second(store, placement, {}, std::nullopt);
        second.Create();
        second.show();
        QApplication::processEvents();
        const QRect normal = second.normalGeometry().isValid() ? second.normalGeometry() : second.geometry();
        EXPECT_EQ(std::to_string(normal.left()) + "," + std::to_string(normal.top()) + "," +
                      std::to_string(normal.left() + normal.width()) + "," + std::to_string(normal.top() + normal.height()),
                  stored);
        second.showMaximized();
        QApplication::processEvents();
        second.close();
    }
    EXPECT_EQ(placement.values["ShowCmd"], "3");
    TMainWindow third(store, placement, {}, std::nullopt);
    third.Create();
    third.show();
    QApplication::processEvents();
    EXPECT_TRUE(third.windowState() & Qt::WindowMaximized);
    third.close();
}

TEST_F(MainWindowTest, FileExitLeavesNothingOfTheWindowsFilesBehind) {
    App();
    ScopedEnv cache("XDG_CACHE_HOME", (root / "cache").string());
    const std::string container =
        MakeContainer({{"one.txt", "one"}, {"deep/er/two.txt", "two"}, {".three", "three"}});
    FixedStore store;
    store.entry = {"right", true};
    MapValues placement;
    TMainWindow window(store, placement, {}, container);
    window.Create();
    window.show();
    QApplication::processEvents();
    ASSERT_EQ(window.fileView->count(), 3);
    const std::string scratch = window.Form().scratchDir;
    chmod((scratch + "/one.txt").c_str(), 0444);
    chmod((scratch + "/deep/er").c_str(), 0500);
    window.Exit1->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(std::filesystem::exists(scratch));
    EXPECT_TRUE(std::filesystem::is_empty(root / "cache" / "quellmark" / "scratch"));
}

TEST_F(MainWindowTest, AFailureThatEscapesTheProgramIsShownAndEndsItWithStatusOne) {
    App();
    std::vector<QString> shown;
    auto closer = CloseMessageBoxes(&shown);
    std::vector<QString> logged;
    static std::vector<QString>* log = nullptr;
    log = &logged;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { log->push_back(text); });
    const int failed = RunProgram([]() -> int { throw std::runtime_error("The disk went away"); });
    const int unknown = RunProgram([]() -> int { throw 42; });
    const int fine = RunProgram([] { return 0; });
    qInstallMessageHandler(previous);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(unknown, 1);
    EXPECT_EQ(fine, 0);
    const QString title = QApplication::applicationDisplayName() + ": ";
    EXPECT_EQ(shown, (std::vector<QString>{title + "The disk went away.", title + "An unexpected error occurred."}));
    // The platform may log lines of its own in between.
    for (const char* cause : {"The disk went away", "An unexpected error occurred"})
        EXPECT_EQ(std::count(logged.begin(), logged.end(), QString(cause)), 1) << cause;
}

TEST_F(MainWindowTest, ThePasswordDialogRefusesWhatTheRecordCouldNotHold) {
    App();
    TPassChangeDlg dialog(nullptr);
    QString shown;
    dialog.passEdit->setText(QString(4097, 'x'));
    CloseNextMessageBox(&shown);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(shown.contains("too long")) << shown.toStdString();

    dialog.passEdit->setText(QString::fromUtf8("\xCE\xB1\xCE\xB2"));  // Greek letters: not in CP1252
    CloseNextMessageBox(&shown);
    dialog.accept();
    EXPECT_TRUE(shown.contains("cannot represent")) << shown.toStdString();

    dialog.passEdit->setText(QString::fromUtf8("k\xC3\xA4se"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.KeyedPassword(), std::string("k\xE4se"));
}

}  // namespace

}  // namespace quellmark
