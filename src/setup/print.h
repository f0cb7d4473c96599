#pragma once
// Report: a minimal window that holds its place in the start-up sequence and
// in the menus until the full window is built.

#include <QDialog>

namespace flk {

class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrint(QWidget* parent = nullptr);
};

} // namespace flk
