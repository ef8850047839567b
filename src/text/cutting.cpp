#include "text/cutting.h"

#include "common/error.h"
#include "common/files.h"
#include "common/path.h"
#include "common/paths.h"
#include "common/step_guard.h"
#include "text/spoken_characters.h"

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
    const int fd = ::open(Path(path).native().constData(), flags | O_CLOEXEC, 0644);
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
    // The buffer holds nothing but unread text: no room to read more.
    bool full() const { return end_ - pos_ >= kBufferSize; }

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

    void append(const char* data, qsizetype size)
    {
        if (size > buffer_.get() + kBufferSize - cur_)
            flush();
        if (size > kBufferSize) {
            writeOut(data, size);
            return;
        }
        std::memcpy(cur_, data, static_cast<size_t>(size));
        cur_ += size;
    }

    void flush()
    {
        const qsizetype size = cur_ - buffer_.get();
        cur_ = buffer_.get();
        writeOut(buffer_.get(), size);
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
    void writeOut(const char* data, qsizetype size)
    {
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

    void dropFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    std::unique_ptr<char[]> buffer_;
    char* cur_;
    QString path_;
    int fd_ = -1;
};

// The first line break ("\n" or "\r") in [p, end), or end.
unsigned char* lineEndIn(unsigned char* p, unsigned char* end)
{
    const auto size = static_cast<size_t>(end - p);
    auto* limit = static_cast<unsigned char*>(std::memchr(p, '\n', size));
    if (limit == nullptr)
        limit = end;
    auto* cr = static_cast<unsigned char*>(std::memchr(p, '\r', static_cast<size_t>(limit - p)));
    return cr != nullptr ? cr : limit;
}

// Where a part of a line too long for the reading buffer ends: after its
// last blank, so that the cleaning goes on as if the line were whole; with
// no blank, before the last character, which may be incomplete.
unsigned char* partEndIn(unsigned char* p, unsigned char* end)
{
    if (auto* blank = static_cast<unsigned char*>(::memrchr(p, ' ', size_t(end - p))))
        return blank + 1;
    unsigned char* last = end - 1;
    while (last > p && (*last & 0xC0) == 0x80)
        --last;
    return last > p ? last : end;
}

// Cleans the input line by line into the open piece, each line followed by
// a line break, so that the speech engine pauses at every line's end.
class Cutter
{
  public:
    enum class Result { End, Line, Cut };

    Cutter(TextInput& input, PieceFile& piece, StepGuard& guard, qint64 characterLimit)
        : in_(input), piece_(piece), guard_(guard), limit_(characterLimit),
          cleaner_({.sentenceCase = true, .dropNbspEntity = true}),
          cleaned_(new char[2 * kBufferSize])
    {
    }

    // Streams the next line into the piece: "&#xa0;" removed, in sentence
    // case and cleaned (CleanTextLine's rules), then a line break. End when the
    // input is at its end, Line when the line is through, Cut when the line
    // itself grew past the character limit and reached a blank (or a further
    // kWordRoom characters): the caller starts a new piece and calls again
    // for the rest of the line. Read failures are thrown.
    Result cutLine()
    {
        lineCount_ = 0;
        if (resuming_) {
            resuming_ = false;
            if (emit())
                return Result::Cut;
        } else {
            if (in_.atEnd())
                return Result::End;
            cleaner_.newLine();
        }
        for (;;) {
            unsigned char* p = in_.pos_;
            unsigned char* const e = in_.end_;
            unsigned char* const lineEnd = lineEndIn(p, e);
            unsigned char* partEnd = lineEnd;
            if (lineEnd == e && !in_.eof_) {
                if (!in_.full()) {
                    in_.refill();
                    continue;
                }
                partEnd = partEndIn(p, e);
            }
            if (partEnd != p) {
                size_ = cleaner_.clean(p, partEnd, cleaned_.get(), partCount_) - cleaned_.get();
                done_ = 0;
                in_.pos_ = partEnd;
                if (emit())
                    return Result::Cut;
            }
            if (partEnd != lineEnd)
                continue;
            if (lineEnd != e) { // "\r\n" is one line break, a lone "\r" is one too
                if (*lineEnd == '\r' && lineEnd + 1 == e && !in_.eof_ && !in_.full()) {
                    in_.refill();
                    continue;
                }
                in_.pos_ +=
                    *lineEnd == '\r' && in_.pos_ + 1 < in_.end_ && in_.pos_[1] == '\n' ? 2 : 1;
            }
            put("\n", 1); // the last line has no line break of its own
            return Result::Line;
        }
    }

    // The characters written by the last cutLine().
    qint64 written() const { return lineCount_; }

  private:
    // Writes the cleaned part that is left into the piece. Only a line longer
    // than the limit is cut inside: at its first blank past the limit, or
    // mid-word when no blank comes for kWordRoom characters. True when the
    // piece is to be cut; the rest of the part waits for the next piece.
    bool emit()
    {
        const char* const data = cleaned_.get();
        const char* p = data + done_;
        const char* const e = data + size_;
        if (lineCount_ + (e - p) <= limit_) { // a character is at least one byte
            lineCount_ += done_ == 0 ? partCount_ : countCharacters(p, e);
            put(p, e - p);
            done_ = size_;
            partCount_ = 0;
            return false;
        }
        const char* const from = p;
        while (p < e) {
            const char c = *p++;
            while (p < e && (static_cast<unsigned char>(*p) & 0xC0) == 0x80)
                ++p;
            ++lineCount_;
            if ((lineCount_ > limit_ && c == ' ') || lineCount_ >= limit_ + kWordRoom) {
                put(from, p - from);
                done_ = p - data;
                partCount_ = 0;
                resuming_ = true;
                return true;
            }
        }
        put(from, e - from);
        done_ = size_;
        partCount_ = 0;
        return false;
    }

    static qint64 countCharacters(const char* p, const char* e)
    {
        qint64 count = 0;
        for (; p < e; ++p)
            count += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
        return count;
    }

    void put(const char* data, qsizetype size)
    {
        guard_.step(140, [&] { piece_.append(data, size); });
    }

    TextInput& in_;
    PieceFile& piece_;
    StepGuard& guard_;
    const qint64 limit_;
    LineCleaner cleaner_;
    std::unique_ptr<char[]> cleaned_; // the cleaned part of the line
    qsizetype size_ = 0;              // its bytes
    qsizetype done_ = 0;              // its bytes already in a piece
    qint64 partCount_ = 0;            // its characters, while none is in a piece
    qint64 lineCount_ = 0;            // characters of the line (or of its rest after a cut)
    bool resuming_ = false;           // the next cutLine() goes on with a cut line
};

} // namespace

qint32 CutTextFileFSO(const QString& textPath, int rate, const StepReport& report,
                      const Yield& yield)
{
    StepGuard guard(report, u"Speak.CutTextFileFSO"_s);
    const Limits limits = limitsFor(rate); // [100]

    // The window stays alive: it handles its events after every 50 ms or so of work.
    QElapsedTimer work;
    work.start();
    TextInput input([&] {
        if (work.elapsed() >= kYieldEveryMs && yield) {
            yield();
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
        if (!guard.step(138, [&] { result = cutter.cutLine(); })) // [136-140]
            break;
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
    guard.step(176, [&] { DeleteFileQuiet(textPath, yield); });
    return piece; // [178]
}

QString CleanTextLine(const QString& line)
{
    // Lone halves of a surrogate pair are no characters: one blank each.
    QString text = line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    const QByteArray utf8 = text.toUtf8();
    QByteArray cleaned(2 * utf8.size(), Qt::Uninitialized);
    LineCleaner cleaner({});
    qint64 characters = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.constData());
    const char* end = cleaner.clean(bytes, bytes + utf8.size(), cleaned.data(), characters);
    return QString::fromUtf8(cleaned.constData(), end - cleaned.constData());
}

} // namespace vt
