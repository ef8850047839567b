#pragma once

#include "common/error.h"

#include <QString>
#include <exception>
#include <functional>

namespace vt
{

inline constexpr const char* kProductLocation = "Vellumtone2021/08/31";
inline constexpr const char* kAddFolderLocation = "OrvelTitle2021/08/31";

// A numbered step of a procedure that failed: what went wrong, where
// ("Vellumtone2021/08/31.Form1.PushButton1_Click") and at which step.
struct StepFailure {
    QString description;
    QString location;
    int line = 0;
};
// Where a procedure's failing steps are told: the window shows the
// "Application Error" box, the batch program prints a line.
using StepReport = std::function<void(const StepFailure&)>;

// Text of the "Application Error" box for a failing step.
QString applicationErrorText(const StepFailure& failure);

// The description a caught exception carries.
QString describe(std::exception_ptr error);

// Thrown from a yield when the front end asked the run to stop; every
// handler lets it pass, so that the run unwinds to its top and clears up.
struct RunStopped {
};

// Guards the numbered steps of one procedure: a failing step is reported
// once and the procedure goes on with its next step, as every handler of the
// program does. Nothing is rethrown but a stop.
class StepGuard
{
  public:
    // location: "Form1.PushButton1_Click"; product: the location's first part.
    StepGuard(StepReport report, QString location, const char* product = kProductLocation)
        : report_(std::move(report)), location_(std::move(location)), product_(product)
    {
    }

    // Runs one step. Returns false when it failed (after the report).
    template <class F> bool step(int line, F&& body)
    {
        try {
            body();
            return true;
        } catch (const RunStopped&) {
            throw;
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
        } catch (const RunStopped&) {
            throw;
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
        } catch (const RunStopped&) {
            throw;
        } catch (...) {
            report(line, std::current_exception());
            return fallback;
        }
    }

    void report(int line, std::exception_ptr error);
    int failures() const { return failures_; }
    const StepReport& reporter() const { return report_; }

  private:
    StepReport report_;
    QString location_;
    const char* product_;
    int failures_ = 0;
};

} // namespace vt
