#pragma once
// The record files the manager window reads and writes, kept open between
// uses: a large folder's file (thousands of records) is parsed once, not at
// every file selected or field stored, and is parsed again only when it
// changes on disk. The file of a folder about to be shown is read on a
// worker thread while the folder's directory is listed. A store changes the
// parsed file in place and the file is replaced on a worker thread, so the
// window never waits for a large file to be written and read again.

#include "RecordFile.h"

#include <QString>

#include <functional>
#include "BackgroundWork.h"

#include <future>
#include <memory>
#include <vector>

namespace flk {

class TRecordStore {
public:
    TRecordStore() = default;
    ~TRecordStore();
    TRecordStore(const TRecordStore&) = delete;
    TRecordStore& operator=(const TRecordStore&) = delete;

    // Called, on the writing thread, with "Unable to write to <full path>"
    // when a write on its way fails.
    void SetWriteFailed(std::function<void(const QString& message)> failed) { m_failed = std::move(failed); }
    // Waits until every store made so far is on disk.
    void Flush();

    // Starts reading the file at `path` off the GUI thread (no-op when it is
    // open already or being read).
    void Preload(const QString& path);
    // The open file at `path`, up to date with the disk at its next read.
    // Waits for a reading Preload started. An empty path gives a file of
    // its own, kept by nobody.
    std::shared_ptr<RecordFile> Open(const QString& path);

private:
    struct Entry {
        QString path;
        std::shared_ptr<RecordFile> records;           // set once read
        std::future<std::shared_ptr<RecordFile>> read; // valid while reading
    };
    Entry& Find(const QString& path);
    void Trim();

    // The most recently used first; the current folder's and the one before
    // (switching back and forth between two large folders stays quick).
    std::vector<Entry> m_open;
    std::function<void(const QString&)> m_failed;
    TBackgroundWork m_background; // frees a dropped file's records
};

} // namespace flk
