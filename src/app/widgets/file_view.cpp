#include "app/widgets/file_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeView>

#include "app/widgets/file_list_model.h"

namespace quellmark {

std::string TFileView::NameOf(Style style) { return style == Style::Details ? "Details" : "Icons"; }

std::optional<TFileView::Style> TFileView::StyleNamed(const std::string& name) {
    // The settings file may have been edited by hand.
    const QString text = QString::fromStdString(name).trimmed();
    if (text.compare("Icons", Qt::CaseInsensitive) == 0) return Style::Icons;
    if (text.compare("Details", Qt::CaseInsensitive) == 0) return Style::Details;
    return std::nullopt;
}

TFileView::TFileView(QWidget* parent)
    : QStackedWidget(parent),
      model_(new TFileListModel(this)),
      iconView_(new QListView(this)),
      detailsView_(new QTreeView(this)) {
    iconView_->setObjectName("iconView");
    iconView_->setModel(model_);
    iconView_->setViewMode(QListView::IconMode);
    iconView_->setIconSize(QSize(32, 32));
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setWordWrap(true);
    // Icons keep their places: a drag takes files out of the list, never moves them in it.
    iconView_->setMovement(QListView::Static);

    detailsView_->setObjectName("detailsView");
    detailsView_->setModel(model_);
    // One selection for both views, so switching keeps the selected file.
    QItemSelectionModel* own = detailsView_->selectionModel();
    detailsView_->setSelectionModel(iconView_->selectionModel());
    delete own;
    detailsView_->setRootIsDecorated(false);
    detailsView_->setUniformRowHeights(true);
    detailsView_->setAllColumnsShowFocus(true);
    // Unsorted at first: the files stand as the container holds them until a header is clicked.
    detailsView_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    detailsView_->setSortingEnabled(true);

    QAbstractItemView* const views[] = {iconView_, detailsView_};
    for (QAbstractItemView* view : views) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::DragOnly);
        view->setDefaultDropAction(Qt::CopyAction);
        // A drop anywhere goes to the window, which opens containers; the
        // icon mode would otherwise take drops to move icons about.
        view->viewport()->setAcceptDrops(false);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, &QWidget::customContextMenuRequested);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        addWidget(view);
    }
    setCurrentWidget(iconView_);
}

void TFileView::SetFolder(const QString& folder) { model_->SetFolder(folder); }

void TFileView::Clear() { model_->RemoveAll(); }

void TFileView::AddItem(const QString& caption, const QIcon& icon) {
    model_->AddFile(caption, icon);
    // The list is filled a file at a time; what concerns all rows is done
    // once, when the filling is over.
    if (fillPending_) return;
    fillPending_ = true;
    QTimer::singleShot(0, this, [this] { FillDone(); });
}

void TFileView::FillDone() {
    fillPending_ = false;
    // A chosen sorting holds for later opens too.
    const QHeaderView* header = detailsView_->header();
    if (header->sortIndicatorSection() >= 0) model_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    // The columns fit what they show; a very long name does not push the rest out of sight.
    constexpr int kWidestName = 320;
    for (int column : {TFileListModel::NameColumn, TFileListModel::SizeColumn, TFileListModel::ModifiedColumn})
        detailsView_->resizeColumnToContents(column);
    if (detailsView_->columnWidth(TFileListModel::NameColumn) > kWidestName)
        detailsView_->setColumnWidth(TFileListModel::NameColumn, kWidestName);
}

QStringList TFileView::Captions() const {
    QStringList captions;
    for (int position = 0; position < model_->rowCount(); ++position)
        captions.push_back(model_->CaptionAt(model_->RowAddedAt(position)));
    return captions;
}

std::optional<QString> TFileView::SelectedCaption() const {
    const QModelIndexList selected = iconView_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return std::nullopt;
    return model_->CaptionAt(selected.front().row());
}

void TFileView::SetStyle(Style style) {
    QAbstractItemView* next = style == Style::Details ? static_cast<QAbstractItemView*>(detailsView_) : iconView_;
    if (currentWidget() == next) return;
    const bool hadFocus = currentWidget()->hasFocus();
    setCurrentWidget(next);
    if (hadFocus) next->setFocus();
    if (next->currentIndex().isValid()) next->scrollTo(next->currentIndex());
}

TFileView::Style TFileView::CurrentStyle() const {
    return currentWidget() == detailsView_ ? Style::Details : Style::Icons;
}

QWidget* TFileView::viewport() const { return static_cast<QAbstractItemView*>(currentWidget())->viewport(); }

int TFileView::count() const { return model_->rowCount(); }

QStandardItem* TFileView::item(int row) const {
    const int modelRow = model_->RowAddedAt(row);
    return modelRow < 0 ? nullptr : model_->item(modelRow, TFileListModel::NameColumn);
}

void TFileView::setCurrentRow(int row) {
    const QModelIndex index = model_->index(model_->RowAddedAt(row), TFileListModel::NameColumn);
    QItemSelectionModel* selection = iconView_->selectionModel();
    if (!index.isValid()) {
        selection->clear();
        return;
    }
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TFileView::currentRow() const {
    const QModelIndex current = iconView_->selectionModel()->currentIndex();
    if (!current.isValid()) return -1;
    return model_->item(current.row(), TFileListModel::NameColumn)->data(TFileListModel::kAddedOrderRole).toInt();
}

bool TFileView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == iconView_ || watched == detailsView_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit ViewRequested();
            return true;
        }
    }
    // Anywhere in the list, on an item or not, a double-click views the selected file.
    if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        (watched == iconView_->viewport() || watched == detailsView_->viewport())) {
        emit ViewRequested();
    }
    return QStackedWidget::eventFilter(watched, event);
}

}  // namespace quellmark
