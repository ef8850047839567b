#pragma once

#include <QString>
#include <stdexcept>

namespace vt
{

// An error as the design's procedures raise it: a number, a readable
// description and the place that raised it.
class Error : public std::runtime_error
{
  public:
    Error(int number, const QString& description, const QString& source = {});

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }

  private:
    int number_;
    QString description_;
    QString source_;
};

// Error numbers of the design's runtime that callers may test.
namespace err
{
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectRequired = 424;
inline constexpr int AutomationBase = -2147221504; // automation-object error base
} // namespace err

[[noreturn]] void raise(int number, const QString& description, const QString& source = {});

// The number the design's error box shows for a failed file-system call
// (an errno value), and the description: `what` and the path, then the
// system's own words for the code.
int SystemErrorNumber(int code);
QString SystemErrorText(const QString& what, const QString& path, int code);
// Raises that error.
[[noreturn]] void raiseSystemError(const QString& what, const QString& path, int code);

} // namespace vt
