#pragma once

#include "common/error.h"
#include "common/window_ports.h"

#include <QString>
#include <exception>
#include <new>

namespace vt
{

inline constexpr const char* kProductLocation = "Vellumtone2021/08/31";
inline constexpr const char* kAddFolderLocation = "OrvelTitle2021/08/31";

// Text of the "Application Error" box for a failing step.
QString applicationErrorText(const QString& description, const QString& location, int line);

// The description a caught exception carries.
QString describe(std::exception_ptr error);

// Guards the numbered steps of one procedure: a failing step is reported
// once and the procedure goes on with its next step, as every handler of the
// program does. Nothing is rethrown.
class StepGuard
{
  public:
    // location: "Form1.PushButton1_Click"; product: the location's first part.
    StepGuard(MessageBoxPort& box, QString location, const char* product = kProductLocation)
        : box_(box), location_(std::move(location)), product_(product)
    {
    }

    // Runs one step. Returns false when it failed (after the report).
    template <class F> bool step(int line, F&& body)
    {
        try {
            body();
            return true;
        } catch (...) {
            report(line, std::current_exception());
            return false;
        }
    }

    // A test that fails goes on with the first step of its branch, so a
    // failure answers true.
    template <class F> bool test(int line, F&& condition)
    {
        try {
            return static_cast<bool>(condition());
        } catch (...) {
            report(line, std::current_exception());
            return true;
        }
    }

    // Runs a step that computes a value; on failure the fallback stands.
    template <class T, class F> T value(int line, T fallback, F&& body)
    {
        try {
            return body();
        } catch (...) {
            report(line, std::current_exception());
            return fallback;
        }
    }

    void report(int line, std::exception_ptr error);
    int failures() const { return failures_; }

  private:
    MessageBoxPort& box_;
    QString location_;
    const char* product_;
    int failures_ = 0;
};

} // namespace vt
