#pragma once
// New Folder: a folder's name, the section it goes into and its icon. OK
// checks the name, adds the folder to the catalogue and its button to the
// sections bar, makes it the current folder and tells an open download
// dialog (message 3027) so it can offer the new folder.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace flk {

class TfrmCategory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCategory(QWidget* parent = nullptr);

    QLineEdit* edtName;
    QComboBox* cbSection;
    QPushButton* cmdNewSection;
    QListWidget* lvIcon;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // Fills the section list, selects the section of the bar's page `page`
    // (0-based) and shows the dialog modally.
    void NewCatShow(int page);
    // The page it was opened for, and the place of its section in the list.
    int Page() const { return m_page; }
    int SectionPosition() const { return m_position; }
    // A section was created meanwhile: listed, and chosen while shown.
    void SectionAdded(const QString& name);

    void FormShow();
    void cmdNewSectionClick();
    void cmdOKClick();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void Refuse(const QString& message);

    int m_page = -1;
    int m_position = -1;
};

} // namespace flk
