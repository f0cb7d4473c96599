#include "DirectoryWatch.h"

#include <QFile>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

namespace flk {

namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                             IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

DirectoryWatch::DirectoryWatch(QObject* parent) : QObject(parent)
{
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return; // no watching: the list still refreshes on request
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DirectoryWatch::Drain);
}

DirectoryWatch::~DirectoryWatch()
{
    if (m_fd >= 0)
        close(m_fd);
}

void DirectoryWatch::Watch(const QString& directory)
{
    if (directory == m_directory)
        return;
    m_directory = directory;
    if (m_fd < 0)
        return;
    if (m_watch >= 0)
        inotify_rm_watch(m_fd, m_watch);
    m_watch = directory.isEmpty() ? -1 : inotify_add_watch(m_fd, QFile::encodeName(directory).constData(), kEvents);
}

void DirectoryWatch::Drain()
{
    // Events of a watch already replaced still arrive: only the current one counts.
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    bool lost = false;
    ssize_t got;
    while ((got = read(m_fd, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->wd == m_watch) {
                changed = true;
                lost = lost || (event->mask & (IN_IGNORED | IN_MOVE_SELF | IN_DELETE_SELF));
            }
            at += sizeof(inotify_event) + event->len;
        }
    }
    // The directory went away (a new one may take its name): the next
    // Watch of that path watches afresh.
    if (lost) {
        inotify_rm_watch(m_fd, m_watch);
        m_watch = -1;
        m_directory.clear();
    }
    if (changed)
        emit Changed();
}

} // namespace flk
