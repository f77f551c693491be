#pragma once

#include <QDialog>

namespace platform {

/// Shows the program's own modal windows (Find / Replace, Options, About, splash).
class Modal {
public:
    virtual ~Modal() = default;
    /// Shows the window modally and returns its result once it is closed.
    virtual int exec(QDialog& window) = 0;
};

class QtModal final : public Modal {
public:
    int exec(QDialog& window) override { return window.exec(); }
};

} // namespace platform
