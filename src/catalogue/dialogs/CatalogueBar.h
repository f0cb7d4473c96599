#pragma once
// What the section and folder dialogs need of the manager window's sections
// bar: pages are sections and buttons are folders, both addressed by their
// 0-based place on the bar. The manager window implements it and registers
// with the program's windows; without one the dialogs change only the
// catalogue files.

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

namespace flk {

class CatalogueBar {
public:
    virtual ~CatalogueBar() = default;

    virtual int PageCount() const = 0;
    virtual QString PageCaption(int page) const = 0;
    virtual QStringList ButtonCaptions(int page) const = 0;
    virtual int ButtonImage(int page, int button) const = 0;
    virtual int ActivePageIndex() const = 0; // -1: none
    // The current section and folder (the last pressed page and button);
    // the button's place on its own page. -1: none.
    virtual int ClickedPageIndex() const = 0;
    virtual int ClickedButtonIndex() const = 0;
    // The catalogue numbers behind a page and a button, found by name as
    // the bar finds them; 0 when not found.
    virtual int SectionNumberOf(int page) const = 0;
    virtual int FolderNumberOf(int page, int button) const = 0;
    // The folder icon set, loaded from the icon library when empty.
    virtual const QList<QIcon>& FolderIcons() = 0;

    // Adds the section to the catalogue and its page at the end of the bar.
    virtual void NewPage(const QString& name, const QString& location) = 0;
    // Adds the folder to the section at `page` and its button at the end.
    virtual void NewButton(const QString& folder, const QString& section, int icon, int page) = 0;
    // Opens the page and makes it the current section.
    virtual void SelectSection(int page) = 0;
    // Makes the button the current folder and shows its files.
    virtual void SelectFolder(int page, int button) = 0;
    // The folder commands (rename, delete) follow whether a folder exists.
    virtual void SetFolderItemsEnabled(bool enabled) = 0;
    // Removes the page; when it was open, the page before it opens (the
    // first one when it was the first).
    virtual void RemovePage(int page) = 0;
    // The folder's button is about to go: another folder becomes current,
    // or, when it is the page's last, the file list shows the section.
    virtual void LeaveFolder(int page, int button) = 0;
    virtual void RemoveButton(int page, int button) = 0;
    virtual void SetButtonImage(int page, int button, int icon) = 0;
};

} // namespace flk
