#pragma once
// Tells when what lies in one directory changes: a file comes, goes, is
// renamed, has its attributes changed or is closed after writing (so a
// download written in place is seen once it is complete, not only when it
// was created). Linux inotify, read through the event loop.

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace flk {

class DirectoryWatch : public QObject {
    Q_OBJECT
public:
    explicit DirectoryWatch(QObject* parent = nullptr);
    ~DirectoryWatch() override;

    // Watches this directory instead of the one before; empty: none.
    void Watch(const QString& directory);
    QString Directory() const { return m_directory; }

signals:
    void Changed();

private:
    void Drain();

    int m_fd = -1;
    int m_watch = -1;
    QString m_directory;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace flk
