#pragma once
// The OK and Cancel buttons every dialog of the program ends with.
#include <QDialogButtonBox>
#include <QString>

class QDialog;

namespace quellmark {

// Buttons "okBtn" (default, accepts; captioned `okCaption`) and "cancelBtn"
// (rejects) in a box owned by `dialog`, for the caller's layout.
QDialogButtonBox* OkCancelButtons(QDialog* dialog, const QString& okCaption = "&OK");

}  // namespace quellmark
