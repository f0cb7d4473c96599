#pragma once
// Files dragged from the desktop's file managers (text/uri-list) onto the
// manager window: onto a folder button of the sections bar (the button under
// the pointer becomes HoverButton), onto the file list, or anywhere else on
// the window (the drop message). Also starts the drag of the list's selected
// files, so they can be dropped onto another folder's button.
//
// A drop is taken at once and handled right after, once the drag machinery
// has finished, so the drop menu and questions never hold up the file
// manager that sent it. The sender always hears "copied": whether the files
// move is the drop menu's choice, done here.

#include <QObject>
#include <QPoint>
#include <QPointer>

class QDropEvent;
class QMimeData;

namespace flk {

class TfrmManager;
class TLookOutButton;

class TFileDrops : public QObject {
    Q_OBJECT
public:
    explicit TFileDrops(TfrmManager* manager);

    // The local files a drag carries, in its order.
    static QStringList LocalFiles(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool BarEvent(QEvent* e);
    bool ListEvent(QEvent* e);
    bool WindowEvent(QEvent* e);
    bool ListMouse(QEvent* e);
    TLookOutButton* ButtonAt(QPoint pos) const;
    void StartListDrag();

    TfrmManager* m_manager;
    QPoint m_pressPos;
    bool m_pressed = false;
};

} // namespace flk
