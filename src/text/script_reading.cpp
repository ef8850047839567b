#include "text/script_reading.h"

#include "common/voice_marks.h"
#include "text/mandarin_reading.h"

#include <algorithm>

namespace vt
{

ScriptReading::ScriptReading(Home home, QSet<Writing> homeWritings, QHash<Writing, QString> keys,
                             std::unique_ptr<JapaneseReading> japanese)
    : home_(home), homeWritings_(std::move(homeWritings)), keys_(std::move(keys)),
      japanese_(std::move(japanese)), japaneseTried_(japanese_ != nullptr || home == Home::Japanese)
{
    for (auto k = keys_.cbegin(); k != keys_.cend(); ++k)
        handed_.insert(k.key());
}

ScriptReading::~ScriptReading() = default;

QString ScriptReading::apply(const QString& line)
{
    if (isEmpty())
        return line;
    // What a rule marked for a voice runs to "⟦⟧" or the line's end.
    QString said;
    qsizetype from = 0;
    bool marked = false;
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype mark = VoiceMarkLength(line, i);
        if (mark == 0) {
            ++i;
            continue;
        }
        const QString part = line.mid(from, i - from);
        said += marked ? part : readPart(part);
        said += line.mid(i, mark);
        marked = mark > 2;
        i += mark;
        from = i;
    }
    const QString rest = line.mid(from);
    return said + (marked ? rest : readPart(rest));
}

QString ScriptReading::readPart(const QString& text)
{
    // Most lines of a book in Latin letters hold nothing else.
    if (home_ == Home::AsWritten && !handed_.contains(Writing::Latin) &&
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x370; }))
        return text;
    QString said;
    for (const ScriptStretch& s : ScriptStretches(text, homeWritings_, handed_)) {
        if (s.writing == Writing::None) {
            said += home_ == Home::Mandarin   ? MandarinReading(s.text)
                    : home_ == Home::Japanese ? (japanese_ ? japanese_->apply(s.text) : s.text)
                                              : s.text;
            continue;
        }
        const QString read = s.writing == Writing::Han    ? MandarinReading(s.text)
                             : s.writing == Writing::Kana ? asKana(s.text)
                                                          : s.text;
        said += InVoice(keys_.value(s.writing), read);
    }
    return said;
}

QString ScriptReading::asKana(const QString& text)
{
    if (!japaneseTried_) {
        japaneseTried_ = true;
        japanese_ = JapaneseReading::make();
    }
    return japanese_ ? japanese_->apply(text) : text;
}

} // namespace vt
