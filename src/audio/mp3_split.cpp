#include "audio/mp3_split.h"

#include "audio/joined_mp3.h"
#include "audio/mp3_frames.h"
#include "audio/mp3_info_frame.h"

#include <QFile>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qint64 kLetGoEvery = 8 << 20;
constexpr qsizetype kWriteBlock = 1 << 20;

} // namespace

Expected<void> SplitMp3(const Path& source, const QList<qint64>& starts, const QList<Path>& targets,
                        const QList<QByteArray>& heads)
{
    if (starts.size() != targets.size() || heads.size() != targets.size() || targets.isEmpty())
        return Problem{u"no files to cut the book into"_s, err::InvalidCall};
    QFile in(source.text());
    if (!in.open(QIODevice::ReadOnly))
        return Problem{u"cannot read "_s + source.text() + u": "_s + in.errorString()};
    const qint64 size = in.size();
    uchar* data = size > 0 ? in.map(0, size) : nullptr;
    if (!data)
        return Problem{u"cannot read "_s + source.text() + u": "_s + in.errorString()};
    const QByteArrayView view(data, size);
    const long page = ::sysconf(_SC_PAGESIZE);

    qsizetype index = -1; // the target being written
    std::unique_ptr<QFile> out;
    const auto failed = [&](const QFile& file) {
        return Problem{u"cannot write "_s + file.fileName() + u": "_s + file.errorString(),
                       err::DiskFull};
    };
    // Each file opens with an Info frame of its own: its place is kept
    // before its first frame and filled when the file is complete. The
    // book's delay goes with the first file, its padding with the last.
    const StreamEnds book = InfoDelayPadding(view);
    QByteArray firstHeader;
    Mp3StreamSummary stream;
    std::optional<qint64> place;
    // Frames go out in blocks: unbuffered, a write the disk refuses says why.
    QByteArray pending;
    const auto writePending = [&] {
        stream.add(pending);
        const bool written = out->write(pending) == pending.size();
        pending.clear();
        return written;
    };
    const auto placeInfoFrame = [&]() -> std::optional<qint64> {
        if (!writePending())
            return std::nullopt;
        const qint64 at = out->pos();
        const QByteArray info = MakeInfoFrame(firstHeader, {}, 0, 0);
        if (out->write(info) != info.size())
            return std::nullopt;
        return at;
    };
    const auto completeInfoFrame = [&]() {
        if (!writePending())
            return false;
        if (!place)
            return true;
        const bool last = index + 1 == targets.size();
        const QByteArray info = MakeInfoFrame(firstHeader, stream, index == 0 ? book.delay : 0,
                                              last ? book.padding : 0);
        const qint64 end = out->pos();
        return out->seek(*place) && out->write(info) == info.size() && out->seek(end);
    };
    const auto next = [&]() -> Expected<void> {
        if (out && !completeInfoFrame())
            return failed(*out);
        stream = {};
        place.reset();
        out = std::make_unique<QFile>(targets[++index].text());
        if (!out->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
            out->write(heads[index]) != heads[index].size())
            return failed(*out);
        return {};
    };
    qint64 sample = 0;
    qint64 released = 0;
    Mp3FrameWalker walk(view);
    while (walk.next()) {
        const Mp3Header& h = walk.header();
        // An Info frame is no audio: it stays behind, and takes no time.
        if (IsInfoFrame(view, walk.offset(), h))
            continue;
        // A file starts with the frame its first words begin in.
        const qint64 end = sample + h.samplesPerFrame();
        while (index + 1 < targets.size() && (index < 0 || end > starts[index + 1])) {
            if (Expected<void> opened = next(); !opened)
                return opened;
        }
        const QByteArrayView frame(data + walk.offset(), h.frameSize());
        if (firstHeader.isEmpty())
            firstHeader = frame.first(4).toByteArray();
        if (!place && !(place = placeInfoFrame()))
            return failed(*out);
        pending.append(frame);
        if (pending.size() >= kWriteBlock && !writePending())
            return failed(*out);
        sample = end;
        // What is passed is let go, so the map holds only pages near here.
        if (walk.offset() - released >= kLetGoEvery) {
            const qint64 upTo = walk.offset() / page * page;
            ::madvise(data + released, size_t(upTo - released), MADV_DONTNEED);
            released = upTo;
        }
    }
    // Chapters that begin after the audio's end get no frames, but a file.
    while (index + 1 < targets.size()) {
        if (Expected<void> opened = next(); !opened)
            return opened;
    }
    if (out && !completeInfoFrame())
        return failed(*out);
    return {};
}

} // namespace vt
