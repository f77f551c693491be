#pragma once

namespace platform {

/// Lets screen readers read the plain view: its text, caret and selection, by character, word
/// or line. Installed once, when the first view is made.
void installPlainViewAccessible();

} // namespace platform
