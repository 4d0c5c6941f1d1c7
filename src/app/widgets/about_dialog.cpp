#include "app/widgets/about_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/widgets/app_icon.h"
#include "base/version.h"

namespace quellmark {

TOzvAboutDlg::TOzvAboutDlg(QWidget* owner, std::function<void(const QString&)> openLink) : QDialog(owner) {
    setObjectName("OzvAboutDlg");
    setWindowTitle("About Quellmark");
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(QuellmarkPicture(kPictureSize, devicePixelRatioF()));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(kPictureSize + 16, kPictureSize + 16);
    auto* title = new QLabel("Quellmark", this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    title->setFont(bold);
    auto* notice = new QLabel("Opens password-protected e-mail\nattachment containers (.ozv)", this);
    Label5 = new QLabel(QStringLiteral("Version: ") + QString::fromLatin1(quellmark::kVersion), this);
    Label5->setAlignment(Qt::AlignCenter);
    Label4 = new QLabel(QString("<a href=\"%1\">%1</a>").arg(kWebAddress), this);
    Label4->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    Label4->setCursor(Qt::PointingHandCursor);
    connect(Label4, &QLabel::linkActivated, this, [openLink](const QString& link) { openLink(link); });
    auto* ok = new QPushButton("&OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The picture on the left, the text beside it.
    auto* layout = new QGridLayout(this);
    layout->addWidget(Image1, 0, 0, 5, 1);
    layout->addWidget(title, 0, 1);
    layout->addWidget(notice, 1, 1);
    layout->addWidget(Label5, 2, 1);
    layout->addWidget(Label4, 3, 1);
    layout->addWidget(ok, 4, 1, Qt::AlignCenter);
    setFixedSize(sizeHint().expandedTo(QSize(379, 201)));
}

}  // namespace quellmark
