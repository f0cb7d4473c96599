#pragma once
// The about box: product name, version and the maker's contact details.

#include <QDialog>

namespace flk {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};

} // namespace flk
