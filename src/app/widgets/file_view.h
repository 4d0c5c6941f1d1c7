#pragma once
// The list of unpacked files, shown as large icons or in details (name,
// size, modified, type; sorted by a click on a header). Both views show one
// model through one selection, so switching keeps what is selected. The
// window's logic sees the files in the order they were added, whatever the
// sorting; the QListWidget-like members count in that order too.
#include <QStackedWidget>
#include <QStandardItem>
#include <optional>
#include <string>

class QListView;
class QTreeView;

namespace quellmark {

class TFileListModel;

class TFileView : public QStackedWidget {
    Q_OBJECT
public:
    enum class Style { Icons, Details };
    // The names the view styles are kept under in the user's settings.
    static std::string NameOf(Style style);
    static std::optional<Style> StyleNamed(const std::string& name);

    explicit TFileView(QWidget* parent = nullptr);

    // The folder the captions are relative to: sizes, times, types and
    // dragged files are taken from the files there.
    void SetFolder(const QString& folder);
    void Clear();
    void AddItem(const QString& caption, const QIcon& icon);
    QStringList Captions() const;  // in the order added
    std::optional<QString> SelectedCaption() const;

    void SetStyle(Style style);
    Style CurrentStyle() const;

    QListView* IconView() const { return iconView_; }
    QTreeView* DetailsView() const { return detailsView_; }
    TFileListModel* Model() const { return model_; }
    // The visible view's viewport; context-menu requests give positions in it.
    QWidget* viewport() const;

    // As a QListWidget offers them; rows count in the order added.
    int count() const;
    QStandardItem* item(int row) const;
    void setCurrentRow(int row);
    int currentRow() const;
    void clear() { Clear(); }

signals:
    // Enter, or a double-click anywhere in the list: view the selected file.
    void ViewRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillDone();

    TFileListModel* model_;
    QListView* iconView_;
    QTreeView* detailsView_;
    bool fillPending_ = false;
};

}  // namespace quellmark
