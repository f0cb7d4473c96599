#pragma once
// Properties: a minimal window that holds its place in the start-up sequence and
// in the menus until the full dialog is built.

#include <QDialog>

namespace flk {

class TfrmSectionProps : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSectionProps(QWidget* parent = nullptr);
};

} // namespace flk
