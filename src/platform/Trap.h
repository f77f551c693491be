#pragma once

#include "platform/AppError.h"

#include <QString>
#include <functional>

class QWidget;

namespace platform {

class MessageBox;

/// Runs body; an error it raises is shown as "Error: <number>. <description>" (OK, no icon)
/// titled with the procedure's name, and the procedure returns normally.
/// Returns true when body ran to its end.
bool Trap(MessageBox& messages, QWidget* owner, const QString& procedure,
          const std::function<void()>& body);

/// The text of the standard error box.
QString errorText(const AppError& error);

/// Turns whatever was thrown into an AppError (call from within a catch block).
AppError currentError();

} // namespace platform
