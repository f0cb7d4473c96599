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

    // Asked with the text when Enter is pressed: false keeps the box open
    // and focused (the check may show a message meanwhile).
    void SetCheck(std::function<bool(const QString&)> check) { m_check = std::move(check); }
    // Leaving the box or clicking outside it drops the text instead.
    void SetLeaveDrops(bool drops) { m_leaveDrops = drops; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* m_edit;
    std::function<void(bool, const QString&)> m_done;
    std::function<bool(const QString&)> m_check;
    bool m_finished = false;
    bool m_leaveDrops = false;
    bool m_checking = false;

    bool Checked();
};

} // namespace flk
