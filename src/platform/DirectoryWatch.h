#pragma once
// Tells when what lies in one directory changes: a file comes, goes, is
// renamed, has its attributes changed or is closed after writing (so a
// download written in place is seen once it is complete, not only when it
// was created). Linux inotify, read through the event loop.
//
// Each directory gets an inotify instance of its own, so every event read
// from it is the current directory's. Adding a watch to a large directory
// costs the kernel a walk over every entry it holds in memory (about 10 to
// 30 ms at 100,000 files): for a large one the watch is added on a worker
// thread and the window does not wait for it.

#include "BackgroundWork.h"

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace flk {

class DirectoryWatch : public QObject {
    Q_OBJECT
public:
    explicit DirectoryWatch(QObject* parent = nullptr);
    ~DirectoryWatch() override;

    // Watches this directory instead of the one before; empty: none.
    // `large`: the watch is added on a worker thread; what changes before
    // it is in place goes unseen.
    void Watch(const QString& directory, bool large = false);
    QString Directory() const { return m_directory; }

signals:
    void Changed();

private:
    struct Instance;

    void Drain();
    void Stop();

    // Shared with a worker adding the watch: closed once neither uses it.
    std::shared_ptr<Instance> m_instance;
    QString m_directory;
    QSocketNotifier* m_notifier = nullptr;
    TBackgroundWork m_background; // destroyed first: waits for a closing instance
};

} // namespace flk
