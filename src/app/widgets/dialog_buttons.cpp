#include "app/widgets/dialog_buttons.h"

#include <QDialog>
#include <QPushButton>

namespace quellmark {

QDialogButtonBox* OkCancelButtons(QDialog* dialog, const QString& okCaption) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* okBtn = buttons->addButton(okCaption, QDialogButtonBox::AcceptRole);
    okBtn->setObjectName("okBtn");
    okBtn->setDefault(true);
    QPushButton* cancelBtn = buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    cancelBtn->setObjectName("cancelBtn");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace quellmark
