#include "app/Host.h"

#include "platform/AppError.h"
#include "platform/Services.h"
#include "platform/Trap.h"

frmDocument& Host::requireActiveForm() const
{
    frmDocument* doc = ActiveForm();
    if (!doc)
        platform::raiseNoObject();
    return *doc;
}

bool Host::trap(const QString& procedure, const std::function<void()>& body)
{
    return platform::Trap(*services().messages, frame(), procedure, body);
}
