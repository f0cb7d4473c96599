#pragma once
// Confirm Delete: deletes a section with the parts the user ticks (its
// entry and page, its folder information, its files), and holds the
// routine that deletes the current folder (DelCat), which the manager
// window runs after its own question.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace flk {

class TfrmDelete : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDelete(QWidget* parent = nullptr);

    QLabel* lblCaption;
    QCheckBox* cbSectionInfo;
    QCheckBox* cbCategory;
    QCheckBox* cbFolders;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    enum Kind { kFolder = 0, kSection = 1 };
    // Prepares the dialog for the bar's page `page` (0-based) and shows it
    // modally; OK deletes the section (kSection) or the current folder.
    void ShowForm(int page, int kind);
    int FormKind() const { return m_kind; }

    // The section of the page ShowForm was given, as the boxes say.
    void DelSection();
    // The sections bar's current folder: its files and directory, its
    // folder file and its entry, at once.
    void DelCat();

private:
    void cmdOKClick();

    int m_kind = kSection;
    int m_page = -1;
};

} // namespace flk
