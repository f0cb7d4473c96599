#pragma once
// The scheduled file events: once per start (never the first) the tray window
// walks every section, folder and download record of the catalogue in order
// and, for each record, offers to open a file still unopened some days after
// its download, tidies an empty download date, drops the record of a file that
// has vanished, and deletes a file whose automatic deletion is due.
//
// Messages run between records, folders and sections; the walk ends as soon
// as the manager window is gone. Every decision is written to the folder file
// at once, so a walk that ends early (a stored date that does not parse, shown
// in the standard error box) keeps what it did so far.

#include "PumpGuard.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace flk {

class FileListHost;
class RecordFile;

class FileEvents {
public:
    explicit FileEvents(FileListHost& files);

    // The whole walk. An error that ends it is shown in the standard error
    // box; files that could not be deleted are named in one box at the end.
    void scanforevents();

    // True once the program is ending: the walk stops, and a question it
    // had open counts as unanswered (nothing is written for it).
    std::function<bool()> Ending;

    // The question texts.
    static QString OpenPromptText(const QString& record, const QString& folder, const QString& section);
    static QString DueText(const QString& record);       // base date from AlterDeleteOn (or today)
    static QString ScheduledText(const QString& record); // base date from DateDownloaded
    static QString UndeletedText(const QStringList& paths);

private:
    // One record in its place in the catalogue.
    struct Place {
        QString section;
        QString location;
        QString folder;
        QString record;
        QString file;         // the name on disk: the record's, or one differing only in case
        QString path() const; // of the file
    };

    void walk();
    bool walkSection(int n);
    bool walkFolder(const QString& section, const QString& location, const QString& folder);
    void visit(RecordFile& records, const Place& place);
    bool promptOpen(RecordFile& records, const Place& place, const QString& downloaded);
    bool onDisk(const Place& place) const;
    bool dropVanished(RecordFile& records, const Place& place, const QString& downloaded);
    void autoDelete(RecordFile& records, const Place& place, const QString& downloaded);
    void askAndDelete(RecordFile& records, const Place& place, bool fromDownloadDate);
    bool deleteFile(const Place& place);
    QString fileName(const QString& record) const;
    QDate parse(const QString& text);
    bool pump() const;
    bool ending() const { return Ending && Ending(); }

    FileListHost& m_files;
    PumpGuard m_window;
    QDate m_today;
    int m_promptDays = 10;
    QStringList m_undeleted;
    QHash<QString, QDate> m_dates;
    QSet<QString> m_listed;           // the names in the folder's directory
    QHash<QString, QString> m_folded; // case-folded name -> the first such name in the directory
};

} // namespace flk
