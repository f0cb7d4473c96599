#pragma once
// The in-place caption editor of pages and buttons: an edit box holding the
// caption, all selected, focused, with the mouse captured. Enter, leaving
// the box or a click outside it takes the text; Escape drops it.

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

namespace flk {

class TLookOutCaptionEdit : public QObject {
    Q_OBJECT
public:
    // `done(accepted, text)` runs once, after the box is gone from the
    // screen; the editor deletes itself afterwards.
    TLookOutCaptionEdit(QWidget* host, const QRect& place, const QString& caption,
                        std::function<void(bool, const QString&)> done);
    QLineEdit* Editor() const { return m_edit; }
    void Finish(bool accepted);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* m_edit;
    std::function<void(bool, const QString&)> m_done;
    bool m_finished = false;
};

} // namespace flk
