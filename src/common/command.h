#pragma once

#include <QString>
#include <QStringList>
#include <utility>

namespace vt
{

// A program and its arguments, started without a shell so that no character
// of a file name can change what runs.
struct Command {
    Command() = default;
    Command(QString program_, QStringList arguments_ = {}, QString interpreter_ = {})
        : program(std::move(program_)), arguments(std::move(arguments_)),
          interpreter(std::move(interpreter_))
    {
    }

    QString program;
    QStringList arguments;
    // When set, the program is a script that this interpreter runs
    // ("/bin/sh"), so that it runs from a folder mounted noexec too.
    QString interpreter;

    // The one-line form used to show and log it: every item in double
    // quotes, except short options such as -h.
    QString shown() const;
};

} // namespace vt
