#pragma once
// The application object: its title is "Quellmark", and whatever a command
// lets escape is shown in the application-wide error box instead of ending
// the program.
#include <QApplication>

namespace quellmark {

class TQuellmarkApplication : public QApplication {
public:
    TQuellmarkApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the application-wide error box for `message`.
void ShowApplicationError(const QString& message);

}  // namespace quellmark
