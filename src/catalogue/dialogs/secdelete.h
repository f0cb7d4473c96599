#pragma once
// Confirm Delete: a minimal window that holds its place in the start-up sequence and
// in the menus until the full dialog is built.

#include <QDialog>

namespace flk {

class TfrmDelete : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDelete(QWidget* parent = nullptr);
};

} // namespace flk
