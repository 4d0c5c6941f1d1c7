#include "app/widgets/container_drop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace quellmark {

namespace {

// Told by name alone: a drag is asked about again at every move of the
// mouse, too often to read every dragged file each time.
bool NamedAsMail(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.compare("winmail.dat", Qt::CaseInsensitive) == 0 || name.endsWith(".eml", Qt::CaseInsensitive) ||
           name.endsWith(".mbox", Qt::CaseInsensitive) || name.endsWith(".mbx", Qt::CaseInsensitive);
}

}  // namespace

TContainerDropTarget::TContainerDropTarget(QWidget* window, std::function<void(const std::string&)> open)
    : QObject(window), window_(window), open_(std::move(open)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

std::optional<QString> TContainerDropTarget::ContainerOf(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    std::optional<QString> first;
    std::optional<QString> firstMail;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        // A folder is no container; File > Open would not take one either.
        if (QFileInfo(path).isDir()) continue;
        if (path.endsWith(".ozv", Qt::CaseInsensitive)) return path;
        if (!firstMail && NamedAsMail(path)) firstMail = path;
        if (!first) first = path;
    }
    return firstMail ? firstMail : first;
}

bool TContainerDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        // A drag from this program is one of its own unpacked files going out.
        if (!drag->source() && ContainerOf(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::optional<QString> container = drop->source() ? std::nullopt : ContainerOf(drop->mimeData());
        if (!container) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        QTimer::singleShot(0, this, [this, path = container->toStdString()] { open_(path); });
        return true;
    }
    default:
        return false;
    }
}

}  // namespace quellmark
