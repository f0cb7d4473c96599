#pragma once
// The application's standard error box, and the guard that ends a command in
// it: an error no handler caught is shown and the program goes on.

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace flk {

// Shows `e`'s message in the standard error box (the program's name as
// caption, the error icon). The text also goes to standard error, so that a
// session started from a terminal keeps it.
void ShowException(const std::exception& e, QWidget* parent = nullptr);
void ShowError(const QString& message, QWidget* parent = nullptr);

// Runs one command or start-up step; anything it throws ends it in the
// standard error box. Returns false when it ended that way.
bool RunGuarded(const std::function<void()>& command, QWidget* parent = nullptr);

} // namespace flk
