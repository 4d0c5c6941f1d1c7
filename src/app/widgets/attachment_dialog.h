#pragma once
// TAttachmentDlg: the list a piece of mail with several containers brings up,
// to choose the one to open. No logic of its own: filled with Fill(), read
// with Chosen() after it closes with OK.
#include <QDialog>
#include <optional>
#include <vector>

#include "mail/mail_containers.h"

class QTreeWidget;

namespace quellmark {

class TAttachmentDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAttachmentDlg(QWidget* owner);

    QTreeWidget* attachmentList;  // name, size and location, one row per container

    // Lists `containers` in their order, the first one selected.
    void Fill(const std::vector<MailContainer>& containers);
    // The row selected; nullopt when none is.
    std::optional<std::size_t> Chosen() const;
};

// A byte count as the list shows it ("512 bytes", "1.5 KiB", "70.0 MiB").
QString SizeText(uint64_t bytes);

}  // namespace quellmark
