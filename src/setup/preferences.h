#pragma once
// Options: a minimal window that holds its place in the start-up sequence and
// in the menus until the full window is built.

#include <QDialog>

namespace flk {

class TfrmPreferences : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreferences(QWidget* parent = nullptr);
};

} // namespace flk
