#pragma once
// New Section: asks for a section's name and proposes its directory under a
// base directory (DefaultRoot of [Management], or one the user browses to).
// OK checks the name, adds the section to the catalogue and its page to the
// sections bar, makes it the current section and offers it to an open
// New Folder dialog.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace flk {

class TfrmNewSection : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewSection(QWidget* parent = nullptr);

    QLineEdit* edtName;
    QLineEdit* edtLocation; // read-only: base + name + "/"
    QPushButton* cmdBrowse;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The directory under which the section's directory is proposed.
    QString Base() const { return m_base; }

    void FormShow();
    void cmdBrowseClick();
    void cmdOKClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void edtNameChange();
    void Refuse(const QString& message);

    QString m_base;
};

} // namespace flk
