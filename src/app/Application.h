#pragma once
// The application object: every event is delivered through an error handler,
// so an error that no handler caught ends the current command in the
// standard error box and the program goes on.

#include <QApplication>

namespace flk {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace flk
