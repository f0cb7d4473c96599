#include "mdTray.h"

#include "TrayModalClicks.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace flk {

TmdTray::TmdTray(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(this))
{
    PopupAt = [](QMenu* menu) { menu->popup(QCursor::pos()); };
    m_modalClicks = std::make_unique<TrayModalClicks>([this] { RightButtonDown(); });
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Context: RightButtonDown(); break;
        case QSystemTrayIcon::Trigger: LeftButtonDown(); break;
        case QSystemTrayIcon::DoubleClick: LeftDoubleClick(); break;
        default: break;
        }
    });
    SetActive(true);
}

TmdTray::~TmdTray()
{
    m_icon->hide();
}

void TmdTray::SetActive(bool active)
{
    m_active = active;
    // Shown whether or not the desktop has a tray yet: the icon appears when
    // a tray starts later (as at login, when autostart runs us first). Not
    // before there is an icon to show.
    m_icon->setVisible(active && !m_icon->icon().isNull());
}

void TmdTray::SetIcon(const QIcon& icon)
{
    m_icon->setIcon(icon);
    SetActive(m_active);
}

void TmdTray::SetTip(const QString& tip)
{
    m_tip = tip.left(kMaxTipLength);
    m_icon->setToolTip(m_tip);
}

void TmdTray::SetPopupMenu(QMenu* menu)
{
    m_menu = menu;
}

void TmdTray::RightButtonDown()
{
    if (ShowMenu)
        ShowMenu();
    if (m_menu && PopupAt)
        PopupAt(m_menu);
}

void TmdTray::LeftButtonDown()
{
    if (SimpelFunction)
        SimpelFunction();
}

void TmdTray::LeftDoubleClick()
{
    if (DefaultFunction)
        DefaultFunction();
}

} // namespace flk
