#pragma once
// A private X display for tests that need a real desktop: Xvfb on a free
// display number, and on request a real tray (Debian's trayer) docked at
// the top-left corner. Everything it starts ends with the object. Without
// Xvfb on the machine Available() is false and SkipText() says why.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace flk::test {

class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool Available() const { return !m_display.isEmpty(); }
    QString SkipText() const { return m_skip; }
    QString Display() const { return m_display; } // ":<n>"

    // Starts trayer; false (with SkipText set) when it is missing.
    bool StartTray();

    // Runs an X tool (xdotool, xwininfo) on this display; its output, trimmed.
    QString Tool(const QString& program, const QStringList& args) const;
    // The windows of a class (WM_CLASS), by id.
    QStringList WindowsOfClass(const QString& windowClass) const;
    // True when `window` is docked inside another window (not a child of
    // the root window), as a tray icon is.
    bool IsDocked(const QString& window) const;
    void Key(const QString& key) const { Tool("xdotool", {"key", key}); }
    // Clicks `button` (1 left, 3 right) at the middle of `window`; twice for
    // a double-click.
    void Click(const QString& window, int button, int times = 1) const;

private:
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_tray;
    QString m_display;
    QString m_skip;
};

} // namespace flk::test
