#pragma once

#include <QString>

namespace platform {

/// The one exception type of the program: an error number in the classic runtime numbering and
/// a description that the error box shows to the user.
struct AppError {
    int number = 0;
    QString description;
};

/// Not an error: the process is ending at once (raised only by a stand-in for the real end,
/// which never returns). Error traps let it pass.
struct ProgramEnd {
    int exitCode = 0;
};

namespace err {
constexpr int OutOfMemory = 7;
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidFileFormat = 321;
constexpr int InvalidPropertyValue = 380;
constexpr int ObjectNotSet = 91;
constexpr int InvalidProcedureCall = 5;
constexpr int Cancel = 32755;
} // namespace err

[[noreturn]] void raise(int number, const QString& description);

/// "Object variable or With block variable not set": what a command meets with no document open.
[[noreturn]] void raiseNoObject();

} // namespace platform
