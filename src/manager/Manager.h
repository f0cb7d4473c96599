#pragma once
// The manager window. For now it holds its place in the start-up sequence:
// its creation builds the default catalogue on the first start and, on later
// starts, asks for the connection speed when none is set and arms the tray
// icon's default action. The sections bar and file list come later.

#include <QWidget>
#include <functional>

namespace flk {

class TfrmManager : public QWidget {
    Q_OBJECT
public:
    // `armTrayDefault` sets the tray icon's default action (later starts).
    explicit TfrmManager(std::function<void()> armTrayDefault, QWidget* parent = nullptr);

    static constexpr int kDefaultLeft = 272;
    static constexpr int kDefaultTop = 139;
    static constexpr int kDefaultWidth = 569;
    static constexpr int kDefaultHeight = 419;

    // The message asking for the connection speed when none is set.
    static QString SpeedMissingText();

    // Runs when the window is closed (the tray window saves its position).
    std::function<void()> OnFormClose;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void FirstRunCreate();
    void LaterRunCreate();

    std::function<void()> m_armTrayDefault;
};

extern TfrmManager* frmManager; // the one instance, created at start-up

} // namespace flk
