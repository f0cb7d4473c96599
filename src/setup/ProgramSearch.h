#pragma once
// The setup wizard's search for the browsers and virus scanners installed on
// the machine: one walk over the file system that looks for every program
// name of a table at once.
//
// The walk visits the places programs live first (the PATH folders, /usr,
// /opt, the Flatpak and Snap exports, ~/.local), then the rest of the tree
// from the root. Below each starting place it stays on that place's file
// system, never follows a symbolic link to a folder, visits each folder once
// (bind mounts cannot make it loop), leaves out /proc, /sys and /dev, skips
// folders it cannot read and goes on when a folder vanishes under it. It
// holds no recursion, so a very deep tree costs memory, not stack.
//
// Run() is synchronous and touches no program state: the wizard runs it on a
// worker thread and may cancel it from the GUI thread.

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace flk {

// What a hit on a known program does in the wizard.
enum class ProgramKind {
    Chromium, // the first browser row (the "IE" keys): Chromium or Chrome
    Firefox,  // the second browser row (the "NS" keys): Firefox
    Scanner,  // a virus scanner: an entry of the scanner list
};

struct KnownProgram {
    QString name;  // the file name searched for (compared without regard to case)
    ProgramKind kind;
    QString label; // the scanner list's product label
};

// The programs the wizard looks for, in the order their hits are applied.
const QList<KnownProgram>& KnownPrograms();

struct ProgramHit {
    int index = -1; // position of the name in the searched list
    QString folder; // the folder it was found in, ending with "/"
    QString file;   // the file name as found on disk
    QString path() const { return folder + file; }
    bool operator==(const ProgramHit&) const = default;
};

class ProgramSearch {
public:
    // Searches below `root` (normally "/") for the file `names`.
    ProgramSearch(const QString& root, const QStringList& names);

    // The folders the walk starts from, in order: the places programs live,
    // then the root. Only places inside the root and present are listed.
    QStringList StartPlaces() const;

    // Walks the tree; a regular executable file (or a link to one) whose name
    // is on the list is a hit, and the first copy of each name wins. Returns
    // the hits in the order of `names`. Ends early once every name is found,
    // or (with what was found so far) once `cancel` is set.
    QList<ProgramHit> Run(const std::atomic<bool>& cancel) const;

    // The number of folders the last Run() read (for the benchmark).
    int FoldersRead() const { return m_foldersRead; }

private:
    QString m_root; // ends with "/"
    QStringList m_names;
    mutable int m_foldersRead = 0;
};

} // namespace flk
