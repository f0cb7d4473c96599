#pragma once
// Scanning for Browsers...: the small window shown on top while the setup
// wizard searches the machine for browsers and virus scanners. The search
// runs on a worker thread; this window keeps the screen alive meanwhile and
// its Cancel button (or Escape) ends the search with what was found so far.

#include "ProgramSearch.h"

#include <QDialog>

#include <atomic>

class QLabel;
class QPushButton;

namespace flk {

class TAnimate;

class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    static const QString kCaption; // "Scanning for Browsers..."
    static const QString kText;

    explicit TfrmProgress(QWidget* parent = nullptr);

    QLabel* lblText;
    TAnimate* Animate1;
    QPushButton* cmdCancel;

    // Runs `search` on a worker thread while this window's events go on,
    // and returns its hits. The window is expected to be shown.
    QList<ProgramHit> Search(const ProgramSearch& search);
    bool Searching() const { return m_searching; }
    // Asks a running search to stop (Cancel, Escape, closing the window).
    void CancelSearch() { m_cancel = true; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::atomic<bool> m_cancel{false};
    bool m_searching = false;
};

} // namespace flk
