#pragma once

#include <QString>

class QWidget;

namespace platform {

/// Hands a URL, a mail address or a file to the desktop's default handler.
class Shell {
public:
    virtual ~Shell() = default;
    /// target: a URL ("https:", "mailto:") or a local file path. The result is not waited for.
    virtual void open(QWidget* owner, const QString& target) = 0;
};

class QtShell final : public Shell {
public:
    void open(QWidget* owner, const QString& target) override;
};

} // namespace platform
