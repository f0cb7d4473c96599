#pragma once
// On an XEmbed tray the tray icon is a small window of the program's own, and
// a modal window (Options, a question of the scheduled file events) swallows
// its clicks: no menu, so no Exit, until the modal window is answered. While
// a modal window is up, this filter takes a right-button press on the icon
// before it is swallowed and hands it to the tray component.

#include <QAbstractNativeEventFilter>
#include <functional>

namespace flk {

class TrayModalClicks : public QAbstractNativeEventFilter {
public:
    // Installs itself for the application's life of this object.
    explicit TrayModalClicks(std::function<void()> rightButtonDown);
    ~TrayModalClicks() override;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    std::function<void()> m_rightButtonDown;
    int m_inputOpcode = -1; // the X input extension's, once known
};

} // namespace flk
