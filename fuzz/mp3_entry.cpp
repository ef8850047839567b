#include "audio/joined_mp3.h"
#include "fuzz_entries.h"

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
namespace
{

// Applies the changes; empty text when they stay inside the data, in order.
QString apply(QByteArray& data)
{
    qint64 end = 0;
    for (const BytePatch& patch : JoinedMp3Patches(data)) {
        if (patch.offset < end || patch.bytes.isEmpty() ||
            patch.offset + patch.bytes.size() > data.size())
            return u"a change at %1 (%2 bytes) is out of place"_s.arg(patch.offset)
                .arg(patch.bytes.size());
        data.replace(patch.offset, patch.bytes.size(), patch.bytes);
        end = patch.offset + patch.bytes.size();
    }
    return {};
}

} // namespace

QString FixJoinedBook(const uint8_t* data, size_t size)
{
    QByteArray book(reinterpret_cast<const char*>(data), qsizetype(size));
    QString problem = apply(book);
    if (!problem.isEmpty())
        return problem;
    const QByteArray fixed = book;
    problem = apply(book);
    if (problem.isEmpty() && book != fixed)
        problem = u"a second pass changes the fixed book"_s;
    return problem;
}

} // namespace vt::fuzz
