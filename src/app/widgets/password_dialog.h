#pragma once
// TPassChangeDlg: the password dialog. It has no logic of its own beyond
// refusing a password the record could not hold: its caller fills it and
// reads it after it closes with OK.
#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quellmark {

class TPassChangeDlg : public QDialog {
    Q_OBJECT
public:
    // `codePage`: the 8-bit code page passwords are keyed in (as senders on
    // Windows key them).
    TPassChangeDlg(QWidget* owner, std::string codePage = "CP1252");

    QLineEdit* passEdit;
    QCheckBox* cbRemember;
    QLabel* containerLabel;  // which container the password is for; hidden when none

    // Names the container at `path` above the field (nothing when empty).
    void ShowContainer(const std::string& path);

    // The password as fill-in (8-bit, in the code page) and as keyed after OK.
    void SetPassword(const std::string& keyed);
    const std::string& KeyedPassword() const { return keyed_; }

    // The longest password the record keeps (in bytes as keyed).
    static constexpr int kMaxPasswordBytes = 4096;

public slots:
    void accept() override;

private:
    static constexpr int kLongestNameShown = 360;  // pixels
    void FitSize();

    std::string codePage_;
    std::string keyed_;
};

}  // namespace quellmark
