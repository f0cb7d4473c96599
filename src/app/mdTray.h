#pragma once
// The tray-icon component: an icon with a tip in the desktop's tray, a popup
// menu that may be attached or not, and three mouse events. Where the desktop
// has no tray the component stays inactive and the program runs on.

#include <QIcon>
#include <QObject>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace flk {

class TrayModalClicks;

class TmdTray : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxTipLength = 63;

    explicit TmdTray(QObject* parent = nullptr);
    ~TmdTray() override;

    bool Active() const { return m_active; }
    void SetActive(bool active);
    void SetIcon(const QIcon& icon);
    QString Tip() const { return m_tip; }
    void SetTip(const QString& tip); // cut to 63 characters
    QMenu* PopupMenu() const { return m_menu; }
    void SetPopupMenu(QMenu* menu);  // nullptr: no menu

    // Right button down, before the menu pops up.
    std::function<void()> ShowMenu;
    // Left button down.
    std::function<void()> SimpelFunction;
    // Left double-click.
    std::function<void()> DefaultFunction;

    // The same paths the desktop's clicks take.
    void RightButtonDown();
    void LeftButtonDown();
    void LeftDoubleClick();

    // Where the menu pops up; the cursor unless a test moves it.
    std::function<void(QMenu*)> PopupAt;

private:
    QSystemTrayIcon* m_icon = nullptr;
    std::unique_ptr<TrayModalClicks> m_modalClicks; // the icon's menu while a modal window is up
    QMenu* m_menu = nullptr;
    QString m_tip;
    bool m_active = false;
};

} // namespace flk
