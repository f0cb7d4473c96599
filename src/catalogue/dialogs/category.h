#pragma once
// New Folder: a minimal window that holds its place in the start-up sequence and
// in the menus until the full dialog is built.

#include <QDialog>

namespace flk {

class TfrmCategory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCategory(QWidget* parent = nullptr);
};

} // namespace flk
