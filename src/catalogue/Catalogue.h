#pragma once
// The catalogue of sections and folders: headers.ini lists the sections
// (Header1 .. HeaderN with Name and Location), each section file
// "<section>.ini" lists its folders (Cat1 .. CatM with Name and Icon), and
// each folder's download records live in "<section>-<folder>.ini"
// (RecordFile). Section numbers n and folder numbers m are 1-based as in the
// files; "positions" are 0-based.
//
// Every operation opens the files it needs and closes them again. Refusals
// raise ECatalogueError; refused writes raise EProfileError.
//
// Names are checked on every add and rename: empty names and the characters
// \ / : * ? " < > | are refused, and so is any name that would make two
// sections or folders share one INI file or one directory (names that differ
// only in case, or section "A-B" with folder "C" against section "A" with
// folder "B-C").

#include <QString>
#include <QStringList>

namespace flk {

class Catalogue {
public:
    // --- Paths (program folder with trailing "/") -------------------------
    static QString HeadersFile();                                          // <pf>headers.ini
    static QString SectionFile(const QString& section);                    // <pf><section>.ini
    static QString FolderFile(const QString& section, const QString& folder); // <pf><section>-<folder>.ini
    // Location + folder + "/".
    static QString FolderDirectory(const QString& location, const QString& folder);
    // Location + folder + "/" + file name.
    static QString FilePath(const QString& location, const QString& folder, const QString& fileName);

    // --- Sections (n = 1 .. SectionCount()) -------------------------------
    static int SectionCount();                    // NumHeads, default 0
    static QString SectionName(int n);            // default empty
    static QString SectionLocation(int n);        // default empty
    // Names 1 .. NumHeads in order, as far as the file holds entries: a
    // garbled count of millions walks only what is there.
    static QStringList SectionNames();
    // The number of the section with exactly this name (case-sensitive), 0
    // when none.
    static int SectionNumber(const QString& name);
    // Creates the location directory with its parents, then appends the
    // section to headers.ini. Returns its number n. A location without a
    // trailing "/" gets one.
    static int AddSection(const QString& name, const QString& location);
    // Removes entry n from headers.ini and closes the gap. Files are left
    // alone (see DeleteFolderFiles, DeleteSectionFile).
    static void DeleteSection(int n);

    // --- Folders of a section (m = 1 .. FolderCount()) ---------------------
    static int FolderCount(const QString& section); // NumCats, default 0
    static QString FolderName(const QString& section, int m);
    static int FolderIcon(const QString& section, int m);  // default 0
    static void SetFolderIcon(const QString& section, int m, int icon);
    static QStringList FolderNames(const QString& section);
    // The number of the folder with exactly this name, 0 when none.
    static int FolderNumber(const QString& section, const QString& folder);
    // Creates Location(section position p + 1) + folder + "/" with its
    // parents, then appends the folder (Name, then Icon) to the section file.
    // Returns its number m.
    static int AddFolder(const QString& folder, const QString& section, int icon, int sectionPosition);
    // Removes entry m from the section file and closes the gap. Files and
    // directories are left alone (see DeleteFolderFile).
    static void DeleteFolder(const QString& section, int m);

    // --- Removing files -----------------------------------------------------
    // Removes the folder files of the folders listed in the section's file,
    // one by one: never another section's files.
    static void DeleteFolderFiles(const QString& section);
    static void DeleteFolderFile(const QString& section, const QString& folder);
    static void DeleteSectionFile(const QString& section);

    // --- Renames ------------------------------------------------------------
    // Renames section n: its section file, its folder files, its directory
    // (when it is named after the section) and its Name/Location entries.
    // Refused (nothing changed) with the add rules' messages, and with "That
    // section already exists, please choose another name." when the new
    // directory exists. The same name again changes nothing.
    static void RenameSection(int n, const QString& newName);
    // Renames folder m of a section: its folder file, its directory under the
    // section location and its Name entry. Refused (nothing changed) with
    // "Please specify a name for this folder.", the forbidden-characters
    // message, "That folder already exists, please choose another name." (a
    // folder of that name in any case, or its directory exists) or a
    // shared-file message.
    static void RenameFolder(const QString& section, int m, const QString& newName);

    // --- Name rules -----------------------------------------------------------
    // The characters no section or folder name may hold: \/:*?"<>|
    static QString ForbiddenCharacters();
    static bool HasForbiddenCharacter(const QString& name);
    // Raise ECatalogueError with the reason when the name may not be used
    // for a new section / a new folder of `section`.
    static void CheckNewSectionName(const QString& name, const QString& location);
    static void CheckNewFolderName(const QString& section, const QString& folder);

    // --- First start ----------------------------------------------------------
    // Builds the three default sections with their ten folders and
    // directories under DefaultRoot of [Main] (default: the program folder).
    // The caller writes FirstRun=0 afterwards.
    static void BuildDefaultCatalogue();
};

} // namespace flk
