#pragma once

#include "common/error.h"

#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace vt
{

// Why something could not be done, in words a person can act on, with the
// error number the design's error box shows.
struct Problem {
    QString message;
    int number = err::PathFileAccess;
};

// The problem of a failed file-system call (an errno value).
inline Problem SystemProblem(const QString& what, const QString& path, int code)
{
    return {SystemErrorText(what, path, code), SystemErrorNumber(code)};
}

// A value or the problem that kept it from being made: what a function that
// can fail returns at a library's edge. value() raises the problem as an
// Error, for the numbered steps whose guard reports it.
template <class T> class [[nodiscard]] Expected
{
  public:
    Expected(T value) : state_(std::move(value)) {}
    Expected(Problem problem) : state_(std::move(problem)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const Problem& problem() const { return std::get<1>(state_); }
    QString error() const { return ok() ? QString() : problem().message; }

    T& value() &
    {
        raiseIfProblem();
        return std::get<0>(state_);
    }
    const T& value() const&
    {
        raiseIfProblem();
        return std::get<0>(state_);
    }
    T&& value() &&
    {
        raiseIfProblem();
        return std::get<0>(std::move(state_));
    }
    T valueOr(T fallback) const { return ok() ? std::get<0>(state_) : std::move(fallback); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

  private:
    void raiseIfProblem() const
    {
        if (!ok())
            raise(problem().number, problem().message);
    }
    std::variant<T, Problem> state_;
};

// Success with nothing to give, or the problem.
template <> class [[nodiscard]] Expected<void>
{
  public:
    Expected() = default;
    Expected(Problem problem) : problem_(std::move(problem)) {}

    bool ok() const { return !problem_; }
    explicit operator bool() const { return ok(); }
    const Problem& problem() const { return *problem_; }
    QString error() const { return ok() ? QString() : problem_->message; }
    void value() const
    {
        if (problem_)
            raise(problem_->number, problem_->message);
    }

  private:
    std::optional<Problem> problem_;
};

} // namespace vt
