#include "app/widgets/attachment_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/widgets/dialog_buttons.h"

namespace quellmark {

QString SizeText(uint64_t bytes) {
    if (bytes < 1024) return QString("%1 bytes").arg(bytes);
    const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    double size = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (size >= 1024 && unit + 1 < std::size(units)) size /= 1024, ++unit;
    return QString("%1 %2").arg(size, 0, 'f', 1).arg(units[unit]);
}

TAttachmentDlg::TAttachmentDlg(QWidget* owner) : QDialog(owner) {
    setObjectName("AttachmentDlg");
    setWindowTitle("Choose an Attachment");
    attachmentList = new QTreeWidget(this);
    attachmentList->setObjectName("attachmentList");
    attachmentList->setRootIsDecorated(false);
    attachmentList->setUniformRowHeights(true);
    attachmentList->setHeaderLabels({"Name", "Size", "Location"});
    attachmentList->header()->setStretchLastSection(true);
    attachmentList->setMinimumWidth(460);
    // A double-click opens the row, as OK does.
    connect(attachmentList, &QTreeWidget::itemActivated, this, [this] { accept(); });

    auto* buttons = OkCancelButtons(this, "&Open");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("This e-mail holds several encrypted attachments. Which one should be opened?", this));
    layout->addWidget(attachmentList);
    layout->addWidget(buttons);
}

void TAttachmentDlg::Fill(const std::vector<MailContainer>& containers) {
    attachmentList->clear();
    for (const MailContainer& container : containers) {
        auto* row = new QTreeWidgetItem(attachmentList);
        row->setText(0, QString::fromStdString(container.name));
        row->setText(1, SizeText(container.size));
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(2, QString::fromStdString(container.location));
    }
    // Room to spare, so that a size never runs into the location beside it.
    for (int column = 0; column < 2; ++column) {
        attachmentList->resizeColumnToContents(column);
        attachmentList->setColumnWidth(column, attachmentList->columnWidth(column) + 16);
    }
    if (attachmentList->topLevelItemCount() > 0) attachmentList->setCurrentItem(attachmentList->topLevelItem(0));
}

std::optional<std::size_t> TAttachmentDlg::Chosen() const {
    QTreeWidgetItem* current = attachmentList->currentItem();
    if (!current || !current->isSelected()) return std::nullopt;
    return static_cast<std::size_t>(attachmentList->indexOfTopLevelItem(current));
}

}  // namespace quellmark
