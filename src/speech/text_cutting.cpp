#include "text_cutting.h"

#include "error.h"
#include "error_report.h"
#include "files.h"
#include "paths.h"
#include "spoken_characters.h"
#include "window_ports.h"

#include <QChar>
#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qsizetype kBufferSize = 64 * 1024;
// The longest look-ahead of the cutter: "&#xa0;".
constexpr qsizetype kLookAhead = 6;
constexpr qint64 kYieldEveryMs = 50;
// How far past the character limit a line's piece waits for a blank.
constexpr qint64 kWordRoom = 1000;

struct Limits {
    qint32 lines;
    qint64 characters;
};

// Slower speech makes smaller pieces, so that no WAV file grows too large.
Limits limitsFor(int speed)
{
    if (speed >= 0)
        return {1300, 500 * 1024};
    return {1300 + 125 * speed, qint64(500 + 45 * speed) * 1024};
}

int openFile(const QString& path, int flags, const QString& what)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        raise(err::PathNotFound, what + u" \""_s + path + u"\": no such file"_s);
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        raiseSystemError(what, path, errno);
    return fd;
}

// The text file, read in blocks; lines are found by the cutter itself, so a
// line of any length costs no more memory than a block.
class TextInput
{
  public:
    explicit TextInput(std::function<void()> betweenBlocks)
        : buffer_(new unsigned char[kBufferSize]), betweenBlocks_(std::move(betweenBlocks))
    {
        pos_ = end_ = buffer_.get();
    }
    ~TextInput() { close(); }

    void open(const QString& path)
    {
        path_ = path;
        fd_ = openFile(path, O_RDONLY, u"Cannot open"_s);
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    // Reads on behind what is left; false when nothing more came.
    bool refill()
    {
        if (eof_)
            return false;
        betweenBlocks_();
        const qsizetype kept = end_ - pos_;
        std::memmove(buffer_.get(), pos_, static_cast<size_t>(kept));
        pos_ = buffer_.get();
        end_ = pos_ + kept;
        for (;;) {
            const ssize_t got = ::read(fd_, end_, static_cast<size_t>(kBufferSize - kept));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                raiseSystemError(u"Cannot read"_s, path_, errno);
            if (got == 0)
                eof_ = true;
            end_ += got;
            // A byte order mark at the start is no text.
            if (!started_ && end_ - pos_ >= 3 && std::memcmp(pos_, "\xEF\xBB\xBF", 3) == 0)
                pos_ += 3;
            started_ = true;
            return got > 0;
        }
    }

    bool atEnd() { return pos_ == end_ && !refill(); }

    unsigned char* pos_ = nullptr;
    unsigned char* end_ = nullptr;
    bool eof_ = false;

  private:
    std::unique_ptr<unsigned char[]> buffer_;
    std::function<void()> betweenBlocks_;
    QString path_;
    int fd_ = -1;
    bool started_ = false;
};

// One piece file, written through a buffer. A piece that cannot be created
// or written is reported once; what is meant for it afterwards is dropped.
class PieceFile
{
  public:
    PieceFile() : buffer_(new char[kBufferSize]) { cur_ = buffer_.get(); }
    ~PieceFile() { dropFile(); }

    void create(const QString& path)
    {
        dropFile();
        cur_ = buffer_.get();
        path_ = path;
        fd_ = openFile(path, O_WRONLY | O_CREAT | O_TRUNC, u"Cannot create"_s);
    }

    // The write position in the buffer; the cutter keeps four bytes free
    // (one UTF-8 character) and calls flush() when they are not.
    char* cur_;
    char* limit() const { return buffer_.get() + kBufferSize; }

    void flush()
    {
        const char* data = buffer_.get();
        qsizetype size = cur_ - data;
        cur_ = buffer_.get();
        while (fd_ >= 0 && size > 0) {
            const ssize_t written = ::write(fd_, data, static_cast<size_t>(size));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0) {
                const int code = errno;
                dropFile();
                raiseSystemError(u"Cannot write"_s, path_, code);
            }
            data += written;
            size -= written;
        }
    }

    void close()
    {
        flush();
        if (fd_ >= 0 && ::close(fd_) != 0) {
            fd_ = -1;
            raiseSystemError(u"Cannot write"_s, path_, errno);
        }
        fd_ = -1;
    }

  private:
    void dropFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    std::unique_ptr<char[]> buffer_;
    QString path_;
    int fd_ = -1;
};

void putUtf8(char*& out, char32_t c)
{
    if (c < 0x80) { // the lower case of a few letters is ASCII: K (Kelvin) gives k
        *out++ = static_cast<char>(c);
        return;
    }
    if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
}

// Decodes one UTF-8 character at p (p[0] >= 0x80). Returns the bytes used;
// an ill-formed sequence gives a code point above the Unicode range and
// uses its longest well-formed start (at least one byte).
int decodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& codePoint)
{
    constexpr char32_t kInvalid = 0x110000;
    codePoint = kInvalid;
    const unsigned char lead = p[0];
    int length = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    for (int i = 1; i < length; ++i) {
        if (p + i >= end || p[i] < low || p[i] > high)
            return i;
        value = (value << 6) | (p[i] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    codePoint = value;
    return length;
}

// Cleans the input line by line into the open piece.
class Cutter
{
  public:
    enum class Result { End, Line, Cut };

    Cutter(TextInput& input, PieceFile& piece, StepGuard& guard, qint64 characterLimit)
        : in_(input), piece_(piece), guard_(guard), limit_(characterLimit)
    {
    }

    // Streams the next line, without its line break, into the piece: "&#xa0;"
    // removed, lower-cased and cleaned. End when the input is at its end, Line
    // when the line is through, Cut when the line itself grew past the
    // character limit and reached a blank (or a further kWordRoom characters):
    // the caller starts a new piece and calls again for the rest of the line.
    // Read failures are thrown.
    Result cutLine()
    {
        if (in_.atEnd())
            return Result::End;
        if (!resuming_)
            afterBase_ = false;
        resuming_ = false;
        lineCount_ = 0;
        lastBlank_ = false;
        for (;;) {
            // The common case: plain ASCII, one table lookup a byte. Below the
            // limit the run is only bounded; past it, it also stops at a blank.
            unsigned char* p = in_.pos_;
            const unsigned char* e = in_.end_;
            char* d = piece_.cur_;
            char* const full = piece_.limit() - 4;
            const bool over = lineCount_ >= limit_;
            const qint64 budget = (over ? limit_ + kWordRoom : limit_) - lineCount_;
            char* const stop = full - d > budget ? d + budget : full;
            // Past the limit the line is cut at its next blank.
            while (p < e && d < stop) {
                const unsigned char b = *p;
                if (b >= 0x80)
                    break;
                const char c = kCutAscii[b];
                if (c == 0)
                    break;
                *d++ = c;
                ++p;
                if (over && c == ' ')
                    break;
            }
            if (d != piece_.cur_) {
                afterBase_ = IsAsciiBase(d[-1]);
                lastBlank_ = d[-1] == ' ';
            }
            lineCount_ += d - piece_.cur_;
            piece_.cur_ = d;
            in_.pos_ = p;
            if (cutDue())
                return Result::Cut;
            if (d >= full) {
                flushPiece();
                continue;
            }
            if (d >= stop)
                continue; // the run reached the limit: go on past it
            if (p == e) {
                if (!in_.refill())
                    return Result::Line; // the last line has no line break
                continue;
            }
            if (e - p < kLookAhead && !in_.eof_) {
                in_.refill();
                continue;
            }
            if (special())
                return Result::Line;
            if (cutDue())
                return Result::Cut;
        }
    }

    // The characters written by the last cutLine().
    qint64 written() const { return lineCount_; }

  private:
    // Only a line longer than the limit is cut inside: at its first blank
    // past the limit, or mid-word when no blank comes for kWordRoom characters.
    bool cutDue()
    {
        if (lineCount_ <= limit_ || (!lastBlank_ && lineCount_ < limit_ + kWordRoom))
            return false;
        resuming_ = true;
        return true;
    }

    // Handles the byte at the read position that the table left alone;
    // true when it ended the line.
    bool special()
    {
        const unsigned char* p = in_.pos_;
        const qsizetype left = in_.end_ - p;
        switch (*p) {
        case '\n':
            in_.pos_ += 1;
            return true;
        case '\r':
            in_.pos_ += left >= 2 && p[1] == '\n' ? 2 : 1;
            return true;
        case '&':
            if (left >= kLookAhead && std::memcmp(p + 1, "#xa0;", 5) == 0) {
                in_.pos_ += kLookAhead;
                return false;
            }
            *piece_.cur_++ = ' ';
            afterBase_ = false;
            lastBlank_ = true;
            in_.pos_ += 1;
            ++lineCount_;
            return false;
        default:
            break;
        }
        char32_t codePoint = 0;
        in_.pos_ += decodeUtf8(p, in_.end_, codePoint);
        const char32_t lower = QChar::toLower(codePoint);
        const Spoken kind =
            codePoint <= QChar::LastValidCodePoint ? ClassifyCodePoint(lower) : Spoken::Blank;
        afterBase_ = kind == Spoken::Kept || (kind == Spoken::Mark && afterBase_);
        lastBlank_ = !afterBase_;
        if (afterBase_)
            putUtf8(piece_.cur_, lower);
        else
            *piece_.cur_++ = ' ';
        ++lineCount_;
        return false;
    }

    void flushPiece()
    {
        try {
            piece_.flush();
        } catch (...) {
            guard_.report(140, std::current_exception());
        }
    }

    TextInput& in_;
    PieceFile& piece_;
    StepGuard& guard_;
    const qint64 limit_;
    qint64 lineCount_ = 0;   // characters of the line (or of its rest after a cut)
    bool lastBlank_ = false; // the last character written was a blank
    bool resuming_ = false;  // the next cutLine() goes on with a cut line
    bool afterBase_ = false; // a combining mark here belongs to a kept letter
};

} // namespace

qint32 CutTextFileFSO(const QString& textPath, WindowPort& window)
{
    StepGuard guard(window, u"Speak.CutTextFileFSO"_s);
    const Limits limits = limitsFor(guard.value(100, 0, [&] { return window.slider2(); }));

    // The window stays alive: it handles its events after every 50 ms or so of work.
    QElapsedTimer work;
    work.start();
    TextInput input([&] {
        if (work.elapsed() >= kYieldEveryMs) {
            window.yieldOnce();
            work.restart();
        }
    });
    const bool opened = guard.step(120, [&] { input.open(textPath); });

    qint32 piece = 1;
    qint32 lines = 1;
    qint64 characters = 0;
    PieceFile out;
    const auto pieceName = [&] {
        return StripExtension(textPath) + PieceNumber(piece) + u".txt"_s;
    };
    guard.step(130, [&] { out.create(pieceName()); });

    Cutter cutter(input, out, guard, limits.characters);
    const auto nextPiece = [&] {
        piece += 1;
        guard.step(150, [&] { out.close(); });
        guard.step(156, [&] { out.create(pieceName()); });
        lines = 1;
        characters = 0;
    };
    // A file that cannot be read is reported once; cutting stops there with
    // what it has, rather than trying the same read again and again.
    while (opened) {
        Cutter::Result result = Cutter::Result::End;
        try {
            result = cutter.cutLine(); // [136-140]
        } catch (...) {
            guard.report(138, std::current_exception());
            break;
        }
        if (result == Cutter::Result::End)
            break;
        // A line far longer than a piece should hold goes on in the next piece,
        // so that no WAV file grows past what the format can hold.
        if (result == Cutter::Result::Cut) {
            nextPiece();
            continue;
        }
        characters += cutter.written();                                 // [142]
        lines += 1;                                                     // [144]
        if (lines >= limits.lines || characters >= limits.characters) { // [146]
            nextPiece();
        }
    }

    guard.step(166, [&] { out.close(); });
    input.close(); // [172]
    guard.step(176, [&] { DeleteFileQuiet(textPath, &window); });
    return piece; // [178]
}

QString CleanTextLine(const QString& line)
{
    QString cleaned;
    cleaned.reserve(line.size());
    const QChar* text = line.constData();
    const qsizetype size = line.size();
    bool afterBase = false;
    for (qsizetype i = 0; i < size;) {
        const char16_t unit = text[i].unicode();
        if (unit < 128) {
            const char c = kCleanAscii[unit];
            cleaned.append(QLatin1Char(c));
            afterBase = IsAsciiBase(c);
            ++i;
            continue;
        }
        char32_t codePoint = unit;
        qsizetype length = 1;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
            length = 2;
        }
        const Spoken kind = ClassifyCodePoint(codePoint);
        afterBase = kind == Spoken::Kept || (kind == Spoken::Mark && afterBase);
        if (afterBase)
            cleaned.append(text + i, length);
        else
            cleaned.append(u' ');
        i += length;
    }
    return cleaned;
}

} // namespace vt
