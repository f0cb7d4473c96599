#pragma once
// Fetchlark Configuration Wizard: a minimal window that holds its place in the start-up sequence and
// in the menus until the full window is built.

#include <QDialog>

namespace flk {

class TfrmConfig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConfig(QWidget* parent = nullptr);
};

} // namespace flk
