#include "DirectoryWatch.h"

#include "BackgroundWork.h"

#include <QFile>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

namespace flk {

namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                             IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

struct DirectoryWatch::Instance {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ~Instance()
    {
        if (fd >= 0)
            close(fd);
    }
};

DirectoryWatch::DirectoryWatch(QObject* parent) : QObject(parent) {}

DirectoryWatch::~DirectoryWatch()
{
    Stop();
}

void DirectoryWatch::Stop()
{
    if (m_notifier) { // off before its descriptor is closed; it may be reporting now
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    // Closing an instance waits for the kernel to retire its watch (tens
    // of ms at times): done off the window's thread.
    if (m_instance)
        m_background.Run([instance = std::move(m_instance)]() mutable { instance.reset(); });
    m_instance.reset();
}

void DirectoryWatch::Watch(const QString& directory, bool large)
{
    if (directory == m_directory)
        return;
    m_directory = directory;
    Stop();
    if (directory.isEmpty())
        return;
    auto instance = std::make_shared<Instance>();
    if (instance->fd < 0)
        return; // no watching: the list still refreshes on request
    const QByteArray path = QFile::encodeName(directory);
    if (large)
        m_background.Run([instance, path] { inotify_add_watch(instance->fd, path.constData(), kEvents); });
    else
        inotify_add_watch(instance->fd, path.constData(), kEvents);
    m_instance = std::move(instance);
    m_notifier = new QSocketNotifier(m_instance->fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DirectoryWatch::Drain);
}

void DirectoryWatch::Drain()
{
    if (!m_instance)
        return;
    // The instance holds the current directory's watch only.
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    bool lost = false;
    ssize_t got;
    while ((got = read(m_instance->fd, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            changed = true;
            lost = lost || (event->mask & (IN_IGNORED | IN_MOVE_SELF | IN_DELETE_SELF));
            at += sizeof(inotify_event) + event->len;
        }
    }
    // The directory went away (a new one may take its name): the next
    // Watch of that path watches afresh.
    if (lost) {
        Stop();
        m_directory.clear();
    }
    if (changed)
        emit Changed();
}

} // namespace flk
