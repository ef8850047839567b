#include "audio/mp3_split.h"

#include "audio/joined_mp3.h"
#include "audio/mp3_frames.h"

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
    const auto next = [&]() -> Expected<void> {
        if (out && !out->flush())
            return failed(*out);
        out = std::make_unique<QFile>(targets[++index].text());
        if (!out->open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out->write(heads[index]) != heads[index].size())
            return failed(*out);
        return {};
    };
    qint64 sample = 0;
    qint64 released = 0;
    Mp3FrameWalker walk(view);
    while (walk.next()) {
        const Mp3Header& h = walk.header();
        // A file starts with the frame its first words begin in.
        const qint64 end = sample + h.samplesPerFrame();
        while (index + 1 < targets.size() && (index < 0 || end > starts[index + 1])) {
            if (Expected<void> opened = next(); !opened)
                return opened;
        }
        if (!IsInfoFrame(view, walk.offset(), h) &&
            out->write(reinterpret_cast<const char*>(data + walk.offset()), h.frameSize()) !=
                h.frameSize())
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
    if (out && !out->flush())
        return failed(*out);
    return {};
}

} // namespace vt
