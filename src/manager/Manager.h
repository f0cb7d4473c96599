#pragma once
// The manager window. For now it holds its place in the start-up sequence:
// its creation builds the default catalogue on the first start and, on later
// starts, asks for the connection speed when none is set and arms the tray
// icon's default action. The sections bar and file list come later.

#include "Messages.h"

#include <QWidget>

namespace flk {

class TfrmManager : public QWidget {
    Q_OBJECT
public:
    explicit TfrmManager(QWidget* parent = nullptr);
    ~TfrmManager() override;

    static constexpr int kDefaultLeft = 272;
    static constexpr int kDefaultTop = 139;
    static constexpr int kDefaultWidth = 569;
    static constexpr int kDefaultHeight = 419;

    // The message asking for the connection speed when none is set.
    static QString SpeedMissingText();

    // The application-wide hook of the private messages (AppMessages).
    bool AppMessage(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void FirstRunCreate();
    void LaterRunCreate();

};

} // namespace flk
