#include "common/paths.h"
#include "fuzz_entries.h"
#include "text/cutting.h"

#include <QFile>
#include <QStringDecoder>
#include <cstring>

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
namespace
{

// Past the cutter's 64 KiB reading blocks, so lines, characters and
// "&#xa0;" fall across their edges.
constexpr qsizetype kRepeatedSize = 66 * 1024;

QString checkCleaning(const QString& line)
{
    const QString cleaned = CleanTextLine(line);
    if (cleaned.size() > line.size())
        return u"the cleaned line is longer than the line"_s;
    if (CleanTextLine(cleaned) != cleaned)
        return u"cleaning a cleaned line changes it"_s;
    return {};
}

// A piece is UTF-8 text, its lines ending in "\n" alone, with no capital
// after a small letter inside a word (a word keeps its capitals whole or
// not at all).
QString checkPiece(const QString& text, bool notUtf8, qint32 n)
{
    if (notUtf8)
        return u"piece %1 is not UTF-8"_s.arg(n);
    bool afterSmall = false;
    for (const char32_t c : text.toUcs4()) {
        if (c == u'\r')
            return u"piece %1 holds a carriage return"_s.arg(n);
        if (afterSmall && QChar::toLower(c) != c)
            return u"piece %1 holds the upper-case U+%2"_s.arg(n).arg(uint(c), 4, 16, QChar(u'0'));
        afterSmall =
            QChar::isLower(c) || (afterSmall && QChar::category(c) == QChar::Mark_NonSpacing);
    }
    return {};
}

QString checkCutting(const QByteArray& text, int speed)
{
    const QString input = ScratchFolder() + u"/output.txt"_s;
    const auto pieceName = [&](qint32 n) {
        return ScratchFolder() + u"/output"_s + PieceNumber(n) + u".txt"_s;
    };
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return u"cannot write the scratch text"_s;
    file.close();

    QStringList shown;
    const qint32 pieces = CutTextFileFSO(
        input, speed, [&shown](const StepFailure& f) { shown.append(applicationErrorText(f)); });
    QString problem;
    if (!shown.isEmpty())
        problem = u"an error was shown: "_s + shown.first();
    else if (pieces < 1)
        problem = u"no piece"_s;
    else if (QFile::exists(input))
        problem = u"the text was not deleted"_s;
    else if (QFile::exists(pieceName(pieces + 1)))
        problem = u"a piece beyond the count"_s;
    for (qint32 n = 1; n <= qMax(pieces, 1); ++n) {
        QFile piece(pieceName(n));
        if (!piece.open(QIODevice::ReadOnly)) {
            if (problem.isEmpty())
                problem = u"piece %1 is missing"_s.arg(n);
            continue;
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(piece.readAll());
        if (problem.isEmpty())
            problem = checkPiece(decoded, utf8.hasError(), n);
        piece.remove();
    }
    QFile::remove(input);
    return problem;
}

} // namespace

QString CleanAndCut(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    if (size >= 2)
        std::memcpy(units.data(), data, size / 2 * 2);
    for (const QString& line : {QString::fromUtf8(bytes), units}) {
        const QString problem = checkCleaning(line);
        if (!problem.isEmpty())
            return problem;
    }

    if (bytes.isEmpty())
        return checkCutting(bytes, 0);
    const auto first = static_cast<uchar>(bytes[0]);
    QByteArray text = bytes.mid(1);
    if (first >= 128 && !text.isEmpty())
        while (text.size() < kRepeatedSize)
            text += text;
    return checkCutting(text, first % 21 - 10);
}

} // namespace vt::fuzz
