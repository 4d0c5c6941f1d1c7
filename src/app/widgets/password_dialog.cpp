#include "app/widgets/password_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/widgets/dialog_buttons.h"
#include "base/text.h"

namespace quellmark {

TPassChangeDlg::TPassChangeDlg(QWidget* owner, std::string codePage) : QDialog(owner), codePage_(std::move(codePage)) {
    setObjectName("PassChangeDlg");
    setWindowTitle("Password");
    passEdit = new QLineEdit(this);
    passEdit->setObjectName("passEdit");
    passEdit->setEchoMode(QLineEdit::Password);
    cbRemember = new QCheckBox("Remember this password", this);
    cbRemember->setObjectName("cbRemember");
    auto* buttons = OkCancelButtons(this);

    containerLabel = new QLabel(this);
    containerLabel->setObjectName("containerLabel");
    containerLabel->hide();

    auto* layout = new QGridLayout(this);
    layout->addWidget(containerLabel, 0, 0, 1, 2);
    layout->addWidget(new QLabel("Password", this), 1, 0);
    layout->addWidget(passEdit, 1, 1);
    layout->addWidget(cbRemember, 2, 0, 1, 2);
    layout->addWidget(buttons, 3, 0, 1, 2);
    FitSize();
}

void TPassChangeDlg::FitSize() { setFixedSize(sizeHint().expandedTo(QSize(232, 104))); }

void TPassChangeDlg::ShowContainer(const std::string& path) {
    if (path.empty()) {
        containerLabel->hide();
    } else {
        const QString fullPath = QString::fromStdString(path);
        // A long name is shortened in its middle, where it tells least; the
        // whole path is in the tool tip.
        const QString name = containerLabel->fontMetrics().elidedText(QFileInfo(fullPath).fileName(), Qt::ElideMiddle,
                                                                       kLongestNameShown);
        containerLabel->setText("Password for " + name + ":");
        containerLabel->setToolTip(fullPath);
        containerLabel->show();
    }
    layout()->activate();
    FitSize();
}

void TPassChangeDlg::SetPassword(const std::string& keyed) {
    passEdit->setText(QString::fromStdString(CodePageToUtf8(keyed, codePage_)));
}

void TPassChangeDlg::accept() {
    // A password is keyed as its bytes in the code page; one with a character
    // the code page lacks would be keyed with other bytes, so it is refused.
    const std::optional<std::string> keyed = Utf8ToCodePage(passEdit->text().toStdString(), codePage_);
    if (!keyed) {
        QMessageBox::warning(this, "Password",
                             QString("The password has characters that code page %1 cannot represent. "
                                     "Please type it without them.").arg(QString::fromStdString(codePage_)));
        return;
    }
    // The record is read back through a buffer of 4096 bytes: a longer
    // password would be stored but could never be read at the next start.
    if (keyed->size() > static_cast<std::size_t>(kMaxPasswordBytes)) {
        QMessageBox::warning(this, "Password",
                             QString("The password is too long: at most %1 characters can be kept.").arg(kMaxPasswordBytes));
        return;
    }
    keyed_ = *keyed;
    QDialog::accept();
}

}  // namespace quellmark
