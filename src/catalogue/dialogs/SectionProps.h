#pragma once
// Properties of a section (its name, location and number of folders) or of
// a folder (its name, directory, number of files, their total size and its
// icon, which OK stores).

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace flk {

class TfrmSectionProps : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSectionProps(QWidget* parent = nullptr);

    QLabel* lblType;
    QLineEdit* edtName;
    QLineEdit* edtLocation;
    QLabel* lblNumberDesc;
    QLabel* lblNumber;
    QLabel* lblSpaceDesc;
    QLabel* lblSpace;
    QLabel* lblIcon;
    QListWidget* lvIcon;
    QLabel* imgIcon;    // the folder's icon
    QLabel* imgSection; // the section picture
    QPushButton* cmdOK;

    enum Mode { kFolder = 0, kSection = 1 };
    // The pictures, set by the caller before PreShow.
    void ShowSectionPicture();
    void ShowIconPicture(const QIcon& icon);
    // Prepares the dialog for the section of the bar's page `page` (mode 1)
    // or the folder of its button `button` (mode 0), then shows it modally.
    void PreShow(int mode, int button, int page);
    int ShowsMode() const { return m_mode; }

    // Size in whole kilobytes as shown: the total / 1024, rounded half to even.
    static QString KiloBytes(qint64 bytes);

    void lvIconClick();
    void cmdOKClick();

private:
    void PrepareSection(const QString& section);
    void PrepareFolder(const QString& section, const QString& folder);

    int m_mode = kSection;
    int m_page = -1;
    int m_button = -1;
};

} // namespace flk
