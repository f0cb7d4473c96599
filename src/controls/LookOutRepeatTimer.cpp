#include "LookOutRepeatTimer.h"

#include <QTimer>

namespace flk {
namespace {

class QtRepeatTimer final : public TLookOutRepeatTimer {
public:
    QtRepeatTimer()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (OnTimer)
                OnTimer();
        });
    }
    void Start(int milliseconds) override { m_timer.start(milliseconds); }
    void Stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<TLookOutRepeatTimer> MakeQtRepeatTimer()
{
    return std::make_unique<QtRepeatTimer>();
}

} // namespace flk
