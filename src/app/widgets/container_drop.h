#pragma once
// Lets a window take a container, or mail with containers in it, dropped
// from a file manager: it is opened as if it had been chosen in File > Open. Only local files are taken, and
// nothing dragged out of this program itself (its own list's files).
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

class QMimeData;
class QWidget;

namespace quellmark {

class TContainerDropTarget : public QObject {
public:
    // Makes `window` take drops; `open` gets the dropped container's path
    // once the drop is over, so the file manager is not kept waiting on
    // dialogs the open may show.
    TContainerDropTarget(QWidget* window, std::function<void(const std::string& path)> open);

    // The file a drop of `data` opens: of its local files the first named
    // *.ozv, else the first named as mail usually is (*.eml, *.mbox, *.mbx,
    // winmail.dat), else the first; nullopt when it holds no local file.
    // Names only choose among the files: what the chosen one is, container
    // or mail, its content tells when it is opened.
    static std::optional<QString> ContainerOf(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<void(const std::string&)> open_;
};

}  // namespace quellmark
