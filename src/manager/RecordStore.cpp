#include "RecordStore.h"

#include <algorithm>

namespace flk {

namespace {

constexpr size_t kKeptOpen = 2;

std::shared_ptr<RecordFile> ReadWhole(const QString& path)
{
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
    while (m_open.size() > kKeptOpen) {
        if (m_open.back().read.valid())
            m_open.back().read.wait(); // it uses nothing of ours, but must not outlive us
        m_open.pop_back();
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
