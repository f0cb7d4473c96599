#include "FileDrops.h"

#include "AppMessages.h"
#include "FolderList.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "Manager.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace flk {

namespace {

// Takes a drag that carries files, as a copy (see the header).
bool Take(QDropEvent* e)
{
    if (TFileDrops::LocalFiles(e->mimeData()).isEmpty())
        return false;
    e->setDropAction(Qt::CopyAction);
    e->accept();
    return true;
}

} // namespace

TFileDrops::TFileDrops(TfrmManager* manager) : QObject(manager), m_manager(manager)
{
    manager->setAcceptDrops(true);
    manager->installEventFilter(this);
    manager->Nav->setAcceptDrops(true);
    manager->Nav->installEventFilter(this);
    for (QWidget* viewport : manager->FEDownloads->Viewports()) {
        viewport->setAcceptDrops(true);
        viewport->installEventFilter(this);
    }
}

QStringList TFileDrops::LocalFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            files << url.toLocalFile();
    return files;
}

namespace {

// Only drags and the list's mouse are looked at. Other events pass without
// a look at the window: its children's removal reaches this filter while
// the window is destroyed (or its constructor failed), when its members and
// lists are gone already.
bool Watched(QEvent::Type type)
{
    switch (type) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TFileDrops::eventFilter(QObject* watched, QEvent* e)
{
    if (!Watched(e->type()))
        return false;
    if (watched == m_manager->Nav)
        return BarEvent(e);
    if (m_manager->FEDownloads->Viewports().contains(watched))
        return ListMouse(e) || ListEvent(e);
    if (watched == m_manager)
        return WindowEvent(e);
    return false;
}

TLookOutButton* TFileDrops::ButtonAt(QPoint pos) const
{
    for (QWidget* w = m_manager->Nav->childAt(pos); w && w != m_manager->Nav; w = w->parentWidget())
        if (auto* button = qobject_cast<TLookOutButton*>(w))
            return button->isEnabled() ? button : nullptr;
    return nullptr;
}

bool TFileDrops::BarEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::DragEnter:
        return Take(static_cast<QDropEvent*>(e));
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(e);
        // The pointer's folder is the target; between buttons nothing is.
        m_manager->HoverButton = ButtonAt(move->position().toPoint());
        if (!m_manager->HoverButton || !Take(move))
            move->ignore();
        return true;
    }
    case QEvent::DragLeave:
        m_manager->HoverButton = nullptr;
        return false;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        const QPointer<TLookOutButton> button = ButtonAt(drop->position().toPoint());
        const QStringList files = LocalFiles(drop->mimeData());
        if (!button || !Take(drop))
            return false;
        QTimer::singleShot(0, m_manager, [m = m_manager, button, files] {
            m->HoverButton = button;
            m->DropFile1DropFiles(files);
        });
        return true;
    }
    default:
        return false;
    }
}

bool TFileDrops::ListEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (!Take(static_cast<QDropEvent*>(e)))
            e->ignore();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        const QStringList files = LocalFiles(drop->mimeData());
        if (!Take(drop))
            return false;
        QTimer::singleShot(0, m_manager, [m = m_manager, files] { m->DropFile2DropFiles(files); });
        return true;
    }
    default:
        return false;
    }
}

bool TFileDrops::WindowEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return Take(static_cast<QDropEvent*>(e));
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        const QStringList files = LocalFiles(drop->mimeData());
        if (!Take(drop))
            return false;
        AppMessages::PostDropFiles(files);
        return true;
    }
    default:
        return false;
    }
}

// The list's selected files leave by dragging them with the left button.
bool TFileDrops::ListMouse(QEvent* e)
{
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(e);
        m_pressed = press->button() == Qt::LeftButton
                    && !m_manager->FEDownloads->FileNameAt(press->position().toPoint()).isEmpty();
        m_pressPos = press->position().toPoint();
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        return false;
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(e);
        if (!m_pressed || !(move->buttons() & Qt::LeftButton)
            || (move->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return false;
        m_pressed = false;
        StartListDrag();
        return true;
    }
    default:
        return false;
    }
}

void TFileDrops::StartListDrag()
{
    TFolderList* list = m_manager->FEDownloads;
    QList<QUrl> urls;
    for (const QString& name : list->SelectedFileNames())
        urls << QUrl::fromLocalFile(list->Directory() + name);
    if (urls.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setUrls(urls);
    auto* drag = new QDrag(list);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

} // namespace flk
