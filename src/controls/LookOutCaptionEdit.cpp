#include "LookOutCaptionEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace flk {

TLookOutCaptionEdit::TLookOutCaptionEdit(QWidget* host, const QRect& place, const QString& caption,
                                         std::function<void(bool, const QString&)> done)
    : QObject(host)
    , m_edit(new QLineEdit(host))
    , m_done(std::move(done))
{
    m_edit->setAccessibleName(QObject::tr("Caption"));
    m_edit->setGeometry(place);
    m_edit->setText(caption);
    m_edit->selectAll();
    m_edit->installEventFilter(this);
    m_edit->show();
    m_edit->raise();
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->grabMouse();
}

void TLookOutCaptionEdit::Finish(bool accepted)
{
    if (m_finished)
        return;
    m_finished = true;
    const QString text = m_edit->text();
    m_edit->removeEventFilter(this);
    m_edit->releaseMouse();
    m_edit->hide();
    m_edit->deleteLater();
    deleteLater();
    if (m_done)
        m_done(accepted, text);
}

bool TLookOutCaptionEdit::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != m_edit)
        return false;
    switch (e->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            Finish(key != Qt::Key_Escape);
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        Finish(true);
        break;
    case QEvent::MouseButtonPress:
        // The box holds the mouse: a press outside it ends the edit.
        if (!m_edit->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint())) {
            Finish(true);
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace flk
