#include "LookOutCaptionEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>

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

// Runs the check with the box's text; the box holds the mouse and the
// focus again when the text is refused.
bool TLookOutCaptionEdit::Checked()
{
    if (!m_check)
        return true;
    const QPointer<TLookOutCaptionEdit> alive(this);
    m_checking = true;
    m_edit->releaseMouse();
    const bool ok = m_check(m_edit->text());
    if (!alive)
        return false;
    m_checking = false;
    if (!ok && !m_finished) {
        m_edit->activateWindow();
        m_edit->setFocus(Qt::OtherFocusReason);
        m_edit->grabMouse();
    }
    return ok;
}

bool TLookOutCaptionEdit::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != m_edit)
        return false;
    switch (e->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Escape) {
            Finish(false);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (Checked())
                Finish(true);
            return true;
        }
        break;
    }
    case QEvent::FocusOut: {
        // With a check, the window losing activation (its message, another
        // application) is not leaving the box: the focus comes back to it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        const bool away = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
        if (!m_checking && !(m_check && away))
            Finish(!m_leaveDrops);
        break;
    }
    case QEvent::MouseButtonPress:
        // The box holds the mouse: a press outside it ends the edit.
        if (!m_edit->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint())) {
            Finish(!m_leaveDrops);
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace flk
