#pragma once
// TOzvAboutDlg: the About box with the program's icon, the version line and
// the web link.
#include <QDialog>
#include <functional>

class QLabel;

namespace quellmark {

class TOzvAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `openLink` opens the web address (and reports a failure itself).
    TOzvAboutDlg(QWidget* owner, std::function<void(const QString&)> openLink);

    QLabel* Image1;  // the program's icon
    QLabel* Label5;  // the version line
    QLabel* Label4;  // the web link

    static constexpr const char* kWebAddress = "https://quellmark.example.org/";
    // The icon's width and height in the box, in logical pixels.
    static constexpr int kPictureSize = 128;
};

}  // namespace quellmark
