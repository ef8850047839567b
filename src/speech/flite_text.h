#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace vt
{

// Stands for a character Flite cannot say; it is given to Flite as a blank.
inline constexpr char kUnsayable = '\x1A';

// Flite's English front end reads ASCII only: other characters come out as
// noise or nothing. Each character (code point) of the text becomes one
// ASCII character: Latin letters lose their accents ("é" → "e"),
// typographic quotes and dashes become plain ones, and anything the voice
// cannot say (Japanese, Arabic, symbols) becomes kUnsayable. Character n of
// the text is byte n of the result, so positions carry over unchanged.
QByteArray FliteSayable(const QString& text);

// True when the text holds a letter or digit to say.
bool HasSomethingToSay(const QByteArray& ascii, qsizetype from, qsizetype to);

// Where the utterance that starts at `from` ends (one past its last
// character): after a line end, after a sentence's closing mark, or, for a
// long sentence, after a clause mark or a blank past about 200 characters,
// so that Flite never holds more than a short stretch of audio at once and
// the window is served often.
qsizetype FliteUtteranceEnd(const QByteArray& ascii, qsizetype from);

} // namespace vt
