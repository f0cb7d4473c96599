#pragma once
// New Section: a minimal window that holds its place in the start-up sequence and
// in the menus until the full dialog is built.

#include <QDialog>

namespace flk {

class TfrmNewSection : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewSection(QWidget* parent = nullptr);
};

} // namespace flk
