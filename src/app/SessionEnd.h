#pragma once
// The end of the desktop session: the session manager's commit request and
// SIGTERM both call `handler` on the GUI thread.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace flk {

class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(std::function<void()> handler, QObject* parent = nullptr);
    ~SessionEnd() override;

private:
    std::function<void()> m_handler;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace flk
