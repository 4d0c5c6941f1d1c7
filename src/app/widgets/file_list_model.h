#pragma once
// The rows behind the file list: one per unpacked file, with its name, size,
// modified time and type, each sortable by its value rather than its text.
// A drag of rows carries the files themselves (file URLs) for a file manager.
#include <QStandardItemModel>

namespace quellmark {

class TFileListModel : public QStandardItemModel {
public:
    enum Column { NameColumn, SizeColumn, ModifiedColumn, TypeColumn, ColumnCount };
    // The name column's items keep the position they were added at.
    static constexpr int kAddedOrderRole = Qt::UserRole + 1;
    // What a column sorts by: the size as a number, the time as a time.
    static constexpr int kSortRole = Qt::UserRole + 2;

    explicit TFileListModel(QObject* parent = nullptr);

    // The folder the names are relative to.
    void SetFolder(const QString& folder) { folder_ = folder; }
    const QString& Folder() const { return folder_; }

    // Removes every row; positions count from 0 again.
    void RemoveAll();
    // Appends a row for the file `caption` in the folder, shown with `icon`.
    void AddFile(const QString& caption, const QIcon& icon);
    QString CaptionAt(int row) const;
    // The model row of the file added `position`th (from 0), or -1.
    int RowAddedAt(int position) const;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::IgnoreAction; }
    bool canDropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) const override { return false; }

private:
    QString folder_;
    int added_ = 0;
};

}  // namespace quellmark
