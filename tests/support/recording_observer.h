#pragma once

#include "common/run_observer.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace vt::test
{

// A front end that keeps all a run tells it, in order.
class RecordingObserver : public RunObserver
{
  public:
    void progress(const RunProgress& p) override
    {
        progresses.append(p);
        last = p;
    }
    void message(const RunMessage& m) override { messages.append(m); }
    void bookStarted(const QString& book, const QString& voice, const QString& note) override
    {
        started.append(book + QStringLiteral(": ") + voice +
                       (note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')'));
    }
    void bookFinished(const BookResult& result) override
    {
        finished.append(result);
        if (onFinished)
            onFinished(result);
    }
    bool stopRequested() override
    {
        ++yields;
        if (onYield)
            onYield();
        return stop;
    }

    // The texts of the messages, and of those of one kind.
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const RunMessage& m : messages)
            texts.append(m.text);
        return texts;
    }
    // Every bar value the run gave, in order.
    QList<double> percents() const
    {
        QList<double> values;
        for (const RunProgress& p : progresses)
            values.append(p.percent);
        return values;
    }

    QList<RunProgress> progresses;
    RunProgress last;
    QList<RunMessage> messages;
    QStringList started; // "book: voice (note)"
    QList<BookResult> finished;
    int yields = 0;
    bool stop = false;             // answered at every yield
    std::function<void()> onYield; // lets a test act "during" a run
    // Lets a test look at a book's working files before the run's end takes them.
    std::function<void(const BookResult&)> onFinished;
};

} // namespace vt::test
