#include "app/widgets/file_list_model.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QMimeDatabase>
#include <QUrl>
#include <set>

#include "app/drag_staging.h"

namespace quellmark {

namespace {

QStandardItem* Cell(const QString& text, const QVariant& sortKey) {
    auto* item = new QStandardItem(text);
    item->setData(sortKey, TFileListModel::kSortRole);
    // Listed files are looked at, saved and dragged out, never renamed or dropped on.
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
    return item;
}

// Sizes as a file manager shows them; below a kilobyte the exact count.
QString SizeText(qint64 size) {
    if (size < 1024) return QLocale().toString(size) + (size == 1 ? " byte" : " bytes");
    return QLocale().formattedDataSize(size, 1);
}

}  // namespace

TFileListModel::TFileListModel(QObject* parent) : QStandardItemModel(0, ColumnCount, parent) {
    setHorizontalHeaderLabels({"Name", "Size", "Modified", "Type"});
    horizontalHeaderItem(SizeColumn)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setSortRole(kSortRole);
}

void TFileListModel::RemoveAll() {
    removeRows(0, rowCount());
    added_ = 0;
}

void TFileListModel::AddFile(const QString& caption, const QIcon& icon) {
    const QFileInfo file(folder_ + "/" + caption);
    QStandardItem* name = Cell(caption, caption.toCaseFolded());
    name->setIcon(icon);
    name->setToolTip(caption);
    name->setData(added_++, kAddedOrderRole);

    // A file that vanished from the scratch directory still gets its row: its
    // name is what the commands work with.
    const bool present = file.isFile();
    QStandardItem* size = Cell(present ? SizeText(file.size()) : QString(), present ? file.size() : qint64(-1));
    size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QDateTime modified = present ? file.lastModified() : QDateTime();
    QStandardItem* time = Cell(present ? QLocale().toString(modified, QLocale::ShortFormat) : QString(), modified);
    const QString comment = present ? QMimeDatabase().mimeTypeForFile(file).comment() : QString();
    QStandardItem* type = Cell(comment, comment.toCaseFolded());
    appendRow({name, size, time, type});
}

QString TFileListModel::CaptionAt(int row) const {
    const QStandardItem* name = item(row, NameColumn);
    return name ? name->text() : QString();
}

int TFileListModel::RowAddedAt(int position) const {
    for (int row = 0; row < rowCount(); ++row)
        if (item(row, NameColumn)->data(kAddedOrderRole).toInt() == position) return row;
    return -1;
}

QStringList TFileListModel::mimeTypes() const { return {"text/uri-list"}; }

QMimeData* TFileListModel::mimeData(const QModelIndexList& indexes) const {
    // A row is dragged once however many of its cells are selected.
    std::set<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid()) rows.insert(index.row());
    std::vector<std::string> captions;
    for (int row : rows) captions.push_back(CaptionAt(row).toStdString());
    std::vector<std::string> paths;
    try {
        paths = StageForDrag(folder_.toStdString(), captions);
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
        return nullptr;
    }
    if (paths.empty()) return nullptr;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

}  // namespace quellmark
