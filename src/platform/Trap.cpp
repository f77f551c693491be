#include "platform/Trap.h"

#include "platform/MessageBox.h"

#include <exception>
#include <new>

namespace platform {

void raise(int number, const QString& description)
{
    throw AppError{number, description};
}

void raiseNoObject()
{
    raise(err::ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
}

QString errorText(const AppError& error)
{
    return QStringLiteral("Error: %1. %2").arg(error.number).arg(error.description);
}

AppError currentError()
{
    try {
        throw;
    } catch (const AppError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return {err::OutOfMemory, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return {err::InvalidProcedureCall, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {err::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument")};
    }
}

bool Trap(MessageBox& messages, QWidget* owner, const QString& procedure,
          const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const ProgramEnd&) {
        throw;
    } catch (...) {
        const AppError error = currentError();
        messages.show(owner, errorText(error), Buttons::Ok, Icon::None, procedure);
        return false;
    }
}

} // namespace platform
