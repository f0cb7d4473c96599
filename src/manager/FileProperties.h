#pragma once
// A file's properties, in a window of the program's own (the desktop offers
// no common properties sheet): its name, folder, size, type, dates, owner and
// permissions, each in a read-only field a screen reader can read and the
// user can copy from. The manager window opens one per request, beside
// itself; it goes when closed.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace flk {

class TFileProperties : public QDialog {
    Q_OBJECT
public:
    explicit TFileProperties(QWidget* parent = nullptr);

    // Shows what the file at `path` is now.
    void ShowFile(const QString& path);

    QLabel* imgIcon;
    QLineEdit* edtName;
    QLineEdit* edtFolder;
    QLineEdit* edtSize;
    QLineEdit* edtType;
    QLineEdit* edtModified;
    QLineEdit* edtAccessed;
    QLineEdit* edtCreated;
    QLineEdit* edtOwner;
    QLineEdit* edtPermissions;
};

} // namespace flk
