#include "RecordStore.h"

#include <algorithm>

namespace flk {

namespace {

constexpr size_t kKeptOpen = 2;

// Read beside a large folder's listing, behind the window's thread.
std::shared_ptr<RecordFile> ReadWhole(const QString& path)
{
    RunBehindTheWindow();
    auto records = std::make_shared<RecordFile>(path);
    records->hasRecord(QString()); // parses the file
    return records;
}

} // namespace

TRecordStore::~TRecordStore()
{
    for (Entry& entry : m_open)
        if (entry.read.valid())
            entry.read.wait();
}

TRecordStore::Entry& TRecordStore::Find(const QString& path)
{
    auto found = std::find_if(m_open.begin(), m_open.end(), [&](const Entry& e) { return e.path == path; });
    if (found == m_open.end()) {
        m_open.insert(m_open.begin(), Entry{path, nullptr, {}});
        return m_open.front();
    }
    std::rotate(m_open.begin(), found, found + 1);
    return m_open.front();
}

void TRecordStore::Trim()
{
    // A large folder's records take a while to free; a reading still on
    // its way is waited for there too (it uses nothing of ours, and the
    // store waits for its background work before it goes).
    while (m_open.size() > kKeptOpen) {
        auto dropped = std::make_shared<Entry>(std::move(m_open.back()));
        m_open.pop_back();
        m_background.Run([dropped]() mutable { dropped.reset(); });
    }
}

void TRecordStore::Flush()
{
    for (Entry& entry : m_open)
        if (entry.records)
            entry.records->flush();
}

void TRecordStore::Preload(const QString& path)
{
    if (path.isEmpty())
        return;
    Entry& entry = Find(path);
    if (!entry.records && !entry.read.valid())
        entry.read = std::async(std::launch::async, ReadWhole, path);
    Trim();
}

std::shared_ptr<RecordFile> TRecordStore::Open(const QString& path)
{
    if (path.isEmpty())
        return std::make_shared<RecordFile>(path);
    Entry& entry = Find(path);
    if (entry.read.valid())
        entry.records = entry.read.get();
    else if (!entry.records)
        entry.records = std::make_shared<RecordFile>(path);
    auto records = entry.records;
    records->setDeferredWrites([failed = m_failed](const QString& message) {
        if (failed)
            failed(message);
    });
    Trim();
    return records;
}

} // namespace flk
