#pragma once
// TOzvAboutDlg: the About box with the version line and the web link.
#include <QDialog>
#include <functional>

class QLabel;

namespace quellmark {

class TOzvAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `openLink` opens the web address (and reports a failure itself).
    TOzvAboutDlg(QWidget* owner, std::function<void(const QString&)> openLink);

    QLabel* Label5;  // the version line
    QLabel* Label4;  // the web link

    static constexpr const char* kWebAddress = "https://quellmark.example.org/";
};

}  // namespace quellmark
