// The file list of the real window, offscreen: the details columns and their
// sorting, the View menu and its stored choice, Enter and double-click, a
// container dropped on the window, and what a drag of listed files carries.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QMimeDatabase>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <sys/stat.h>
#include <utime.h>

#include "app/drag_staging.h"
#include "app/map_values.h"
#include "app/qt_application.h"
#include "app/widgets/container_drop.h"
#include "app/widgets/file_list_model.h"
#include "app/widgets/main_window.h"
#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

struct RightPassword : TPasswordStore {
    PasswordEntry Load() override { return {"right", true}; }
    void Save(const PasswordEntry&) override {}
};

struct Member {
    std::string name;
    std::string content;
    int64_t modified;  // seconds since 1970, even: a cabinet keeps times in two-second steps
};

class FileViewTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        App();
        fs::create_directories(root / "cache");
        cache_ = std::make_unique<ScopedEnv>("XDG_CACHE_HOME", (root / "cache").string());
    }
    void TearDown() override {
        cache_.reset();
        TempDirTest::TearDown();
    }

    std::string MakeContainer(const std::vector<Member>& members, const std::string& name = "mail.ozv") {
        std::vector<CabSource> sources;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const std::string source = MakeFile("src/" + name + std::to_string(i), members[i].content);
            const utimbuf times{static_cast<time_t>(members[i].modified), static_cast<time_t>(members[i].modified)};
            EXPECT_EQ(::utime(source.c_str(), &times), 0);
            sources.push_back({source, members[i].name, 0});
        }
        WriteCabinet((root / "body.cab").string(), sources, true);
        const std::string container = (root / name).string();
        WriteContainer((root / "body.cab").string(), container, 1, "right");
        return container;
    }

    // A shown window that opened `container` from the command line (none: nothing opened).
    std::unique_ptr<TMainWindow> OpenWindow(const std::optional<std::string>& container, DesktopServices services = {}) {
        auto window = std::make_unique<TMainWindow>(store_, placement_, std::move(services), container);
        window->Create();
        window->show();
        QApplication::processEvents();
        return window;
    }

    // The captions in the order the visible rows stand.
    static QStringList ShownOrder(const TFileView& view) {
        QStringList shown;
        for (int row = 0; row < view.Model()->rowCount(); ++row) shown.push_back(view.Model()->CaptionAt(row));
        return shown;
    }

    static QStandardItem* Cell(const TFileView& view, const QString& caption, int column) {
        for (int row = 0; row < view.Model()->rowCount(); ++row)
            if (view.Model()->CaptionAt(row) == caption) return view.Model()->item(row, column);
        return nullptr;
    }

    RightPassword store_;
    MapValues placement_;
    std::unique_ptr<ScopedEnv> cache_;
};

const int64_t k2009 = 1262217600;  // 2009-12-31 00:00:00 UTC
const int64_t k2010 = 1262390400;  // 2010-01-02 00:00:00 UTC
const int64_t k2021 = 1622505600;  // 2021-06-01 00:00:00 UTC

TEST_F(FileViewTest, DetailsShowEachFilesSizeTimeAndTypeAndSortByValueWhileTheListKeepsItsOrder) {
    // Added order, name order, size order and time order all differ.
    const std::string container = MakeContainer({{"b.html", std::string(1500, 'h'), k2010},
                                                 {"docs/readme.txt", std::string(9, 'r'), k2021},
                                                 {"a.txt", std::string(10, 'a'), k2009}});
    auto window = OpenWindow(container);
    TFileView& view = *window->fileView;
    ASSERT_EQ(view.count(), 3);
    window->DetailsView1->trigger();
    ASSERT_EQ(view.currentWidget(), view.DetailsView());

    EXPECT_EQ(Cell(view, "docs/readme.txt", TFileListModel::NameColumn)->text(), "docs/readme.txt");
    EXPECT_TRUE(Cell(view, "docs/readme.txt", TFileListModel::SizeColumn)->text().startsWith("9 "));
    EXPECT_TRUE(Cell(view, "b.html", TFileListModel::SizeColumn)->text().startsWith("1.5 "))
        << Cell(view, "b.html", TFileListModel::SizeColumn)->text().toStdString();
    // The unpacked files carry the times the cabinet stored.
    for (const auto& [caption, time] : {std::pair{"b.html", k2010}, {"docs/readme.txt", k2021}, {"a.txt", k2009}}) {
        const QStandardItem* modified = Cell(view, caption, TFileListModel::ModifiedColumn);
        EXPECT_EQ(modified->data(TFileListModel::kSortRole).toDateTime().toSecsSinceEpoch(), time) << caption;
    }
    const QMimeDatabase types;
    EXPECT_EQ(Cell(view, "b.html", TFileListModel::TypeColumn)->text(), types.mimeTypeForName("text/html").comment());
    EXPECT_EQ(Cell(view, "a.txt", TFileListModel::TypeColumn)->text(), types.mimeTypeForName("text/plain").comment());

    // Unsorted until a header is clicked: the container's order.
    const QStringList added{"b.html", "docs/readme.txt", "a.txt"};
    EXPECT_EQ(ShownOrder(view), added);
    view.setCurrentRow(1);  // docs/readme.txt

    QHeaderView* header = view.DetailsView()->header();
    const QPoint sizeHeader(header->sectionViewportPosition(TFileListModel::SizeColumn) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeHeader);
    EXPECT_EQ(ShownOrder(view), (QStringList{"docs/readme.txt", "a.txt", "b.html"}));
    view.DetailsView()->sortByColumn(TFileListModel::ModifiedColumn, Qt::DescendingOrder);
    EXPECT_EQ(ShownOrder(view), (QStringList{"docs/readme.txt", "b.html", "a.txt"}));

    // Whatever the sorting, the window's logic sees the files as added, and
    // the selection follows its file through sorting and a change of view.
    EXPECT_EQ(view.Captions(), added);
    EXPECT_EQ(view.SelectedCaption(), QString("docs/readme.txt"));
    window->IconView1->trigger();
    EXPECT_EQ(view.SelectedCaption(), QString("docs/readme.txt"));
    EXPECT_TRUE(window->Form().EnabledFileCommands().view);

    // A later open is sorted as chosen once it is listed.
    window->Form().OpenChosen(MakeContainer({{"z.txt", "z", k2009}, {"m.txt", "m", k2021}}, "second.ozv"));
    QApplication::processEvents();
    EXPECT_EQ(view.Captions(), (QStringList{"z.txt", "m.txt"}));
    EXPECT_EQ(ShownOrder(view), (QStringList{"m.txt", "z.txt"}));
}

TEST_F(FileViewTest, TheViewMenuSwitchesAndTheNextWindowStartsInTheStoredChoice) {
    std::vector<std::string> stored{""};
    DesktopServices services;
    services.readViewStyle = [&] { return stored.back(); };
    services.writeViewStyle = [&](const std::string& style) { stored.push_back(style); };

    auto first = OpenWindow(std::nullopt, services);
    QStringList menus;
    for (QAction* menu : first->menuBar()->actions()) menus.push_back(menu->text());
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Help"}));
    EXPECT_EQ(first->fileView->currentWidget(), first->fileView->IconView());
    EXPECT_TRUE(first->IconView1->isChecked());
    first->DetailsView1->trigger();
    EXPECT_EQ(first->fileView->currentWidget(), first->fileView->DetailsView());
    EXPECT_TRUE(first->DetailsView1->isChecked());
    EXPECT_FALSE(first->IconView1->isChecked());
    EXPECT_EQ(stored.back(), "Details");
    first->close();

    auto second = OpenWindow(std::nullopt, services);
    EXPECT_EQ(second->fileView->currentWidget(), second->fileView->DetailsView());
    EXPECT_TRUE(second->DetailsView1->isChecked());
    second->IconView1->trigger();
    EXPECT_EQ(stored.back(), "Icons");
    EXPECT_EQ(second->fileView->currentWidget(), second->fileView->IconView());
    second->close();
}

TEST_F(FileViewTest, EnterAndADoubleClickViewTheSelectedFileOnce) {
    const std::string container = MakeContainer({{"one.txt", "1", k2009}, {"docs/two.txt", "2", k2010}});
    std::vector<std::string> launched;
    DesktopServices services;
    services.launchDocument = [&](const std::string& path) { launched.push_back(path); };
    auto window = OpenWindow(container, services);
    TFileView& view = *window->fileView;
    const std::string scratch = window->Form().scratchDir;

    QTest::keyClick(view.IconView(), Qt::Key_Return);
    EXPECT_TRUE(launched.empty()) << "nothing is selected";
    view.setCurrentRow(1);
    QTest::keyClick(view.IconView(), Qt::Key_Return);
    window->DetailsView1->trigger();
    QTest::keyClick(view.DetailsView(), Qt::Key_Enter);
    EXPECT_EQ(launched, std::vector<std::string>(2, scratch + "/docs/two.txt"));

    // Below the last row the first click clears the selection, so the double-click views nothing.
    QWidget* details = view.DetailsView()->viewport();
    const QPoint below(details->width() / 2, details->height() - 3);
    QTest::mouseClick(details, Qt::LeftButton, {}, below);
    QTest::mouseDClick(details, Qt::LeftButton, {}, below);
    EXPECT_EQ(launched.size(), 2u);

    // On an item: it becomes the selected one and is viewed.
    const QRect first = view.DetailsView()->visualRect(view.Model()->index(0, 0));
    // A double-click's first press comes as a click of its own.
    QTest::mouseClick(details, Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(details, Qt::LeftButton, {}, first.center());
    ASSERT_EQ(launched.size(), 3u);
    EXPECT_EQ(launched.back(), scratch + "/one.txt");
}

TEST_F(FileViewTest, AContainerDroppedOnTheWindowOpensAndOtherDropsAreRefused) {
    const std::string container = MakeContainer({{"one.txt", "1", k2009}, {"two.txt", "2", k2010}});
    const std::string notes = MakeFile("notes.txt", "not a container");
    fs::create_directories(root / "folder.ozv");
    auto window = OpenWindow(std::nullopt);
    ASSERT_EQ(window->fileView->count(), 0);
    // Drops over the list are the window's: neither view takes them itself.
    EXPECT_FALSE(window->fileView->IconView()->viewport()->acceptDrops());
    EXPECT_FALSE(window->fileView->DetailsView()->viewport()->acceptDrops());

    auto urls = [](std::vector<QUrl> list) {
        auto data = std::make_unique<QMimeData>();
        data->setUrls(QList<QUrl>(list.begin(), list.end()));
        return data;
    };
    auto local = [](const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); };
    auto enters = [&](const QMimeData* data) {
        QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(window.get(), &enter);
        return enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    };

    const auto web = urls({QUrl("https://example.com/mail.ozv")});
    EXPECT_FALSE(enters(web.get()));
    EXPECT_FALSE(enters(urls({local((root / "folder.ozv").string())}).get()));

    // Of several files the container is taken, wherever it stands.
    const auto mixed =
        urls({QUrl("https://example.com/x"), local(notes), local((root / "folder.ozv").string()), local(container)});
    EXPECT_EQ(TContainerDropTarget::ContainerOf(mixed.get()), QString::fromStdString(container));
    EXPECT_EQ(TContainerDropTarget::ContainerOf(urls({local(notes), local(container + ".bak")}).get()),
              QString::fromStdString(notes));
    // Without a container, mail comes before any other file; with one, the container still wins.
    const std::string message = (root / "Saved.EML").string(), tnef = (root / "WINMAIL.DAT").string();
    EXPECT_EQ(TContainerDropTarget::ContainerOf(urls({local(notes), local(tnef), local(message)}).get()),
              QString::fromStdString(tnef));
    EXPECT_EQ(TContainerDropTarget::ContainerOf(urls({local(message), local(notes), local(container)}).get()),
              QString::fromStdString(container));
    ASSERT_TRUE(enters(mixed.get()));
    QDropEvent drop(QPointF(20, 40), Qt::CopyAction, mixed.get(), Qt::LeftButton, {});
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    // The open follows once the drop is over.
    for (int i = 0; i < 50 && window->fileView->count() == 0; ++i) QTest::qWait(10);
    EXPECT_EQ(window->fileView->Captions(), (QStringList{"one.txt", "two.txt"}));
}

TEST_F(FileViewTest, ADragCarriesTheFilesAndASubFoldersFileArrivesInItsFolderAlone) {
    const std::string container = MakeContainer({{"top.txt", "top", k2009},
                                                 {"docs/readme.txt", "read me", k2010},
                                                 {"docs/deep/notes.txt", "notes", k2021},
                                                 {"docs/other.txt", "other", k2021}});
    auto window = OpenWindow(container);
    TFileView& view = *window->fileView;
    ASSERT_EQ(view.count(), 4);
    const std::string scratch = window->Form().scratchDir;
    window->DetailsView1->trigger();

    auto dragOf = [&](int position) {
        view.setCurrentRow(position);
        // What the view hands the drag: every selected cell of the row.
        const QModelIndexList cells = view.DetailsView()->selectionModel()->selectedIndexes();
        std::unique_ptr<QMimeData> data(view.Model()->mimeData(cells));
        return data ? data->urls() : QList<QUrl>();
    };

    const QList<QUrl> top = dragOf(0);
    ASSERT_EQ(top.size(), 1);
    EXPECT_EQ(top[0].toLocalFile().toStdString(), scratch + "/top.txt");

    const QList<QUrl> readme = dragOf(1);
    ASSERT_EQ(readme.size(), 1);
    const fs::path folder = readme[0].toLocalFile().toStdString();
    EXPECT_EQ(folder.filename(), "docs");
    EXPECT_EQ(folder.parent_path().parent_path(), fs::path(scratch)) << "staged inside the scratch directory";
    EXPECT_EQ(FilesBeneath(folder.string()), std::vector<std::string>{"readme.txt"});
    EXPECT_EQ(ReadFile((folder / "readme.txt").string()), "read me");
    struct stat staged{};
    ASSERT_EQ(::stat((folder / "readme.txt").c_str(), &staged), 0);
    EXPECT_EQ(staged.st_mtime, k2010);

    // The staging trees go with the window.
    window->close();
    EXPECT_FALSE(fs::exists(scratch));
}

TEST_F(FileViewTest, StagingOffersEachTopFolderOnceAndNeverLeavesTheScratchDirectory) {
    const std::string scratch = (root / "scratch").string();
    MakeFile("scratch/a.txt", "a");
    MakeFile("scratch/docs/one.txt", "1");
    MakeFile("scratch/docs/sub/two.txt", "2");
    MakeFile("scratch/other/three.txt", "3");
    // An unpacked file may itself carry the staging folders' name.
    MakeFile(std::string("scratch/") + kDragStagingPrefix + "1/mine.txt", "mine");
    MakeFile("outside.txt", "secret");

    const std::vector<std::string> offered = StageForDrag(
        scratch, {"docs/one.txt", "../outside.txt", "a.txt", "/etc/hostname", "docs/sub/two.txt", "docs/../../outside.txt",
                  "missing.txt", "other/three.txt", "docs/sub"});
    const std::string staging = scratch + "/" + kDragStagingPrefix + "2";
    EXPECT_EQ(offered, (std::vector<std::string>{staging + "/docs", scratch + "/a.txt", staging + "/other"}));
    EXPECT_EQ(FilesBeneath(staging), (std::vector<std::string>{"docs/one.txt", "docs/sub/two.txt", "other/three.txt"}));
    EXPECT_EQ(FilesBeneath(scratch + "/" + kDragStagingPrefix + "1"), std::vector<std::string>{"mine.txt"});
    EXPECT_TRUE(StageForDrag(scratch, {"../outside.txt", "nothing/here.txt"}).empty());
}

}  // namespace

}  // namespace quellmark
