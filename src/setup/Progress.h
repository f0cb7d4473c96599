#pragma once
// Scanning for Browsers...: a minimal window that holds its place in the start-up sequence and
// in the menus until the full window is built.

#include <QDialog>

namespace flk {

class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(QWidget* parent = nullptr);
};

} // namespace flk
