#include "text/mandarin_reading.h"

#include "text/mandarin_table.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The word list by its words, and its longest word's length.
struct Words {
    QHash<QString, QStringList> spoken;
    qsizetype longest = 0;
};

const Words& words()
{
    static const Words list = [] {
        Words w;
        for (std::size_t i = 0; i < mandarin::kWordCount; ++i) {
            const QString written = QString::fromUtf8(mandarin::kWords[i].written);
            w.spoken.insert(written, QString::fromLatin1(mandarin::kWords[i].spoken).split(u' '));
            w.longest = std::max(w.longest, qsizetype(written.toUcs4().size()));
        }
        return w;
    }();
    return list;
}

char32_t simplified(char32_t c)
{
    const mandarin::Simplified* const begin = mandarin::kSimplified;
    const mandarin::Simplified* const end = begin + mandarin::kSimplifiedCount;
    const auto it = std::lower_bound(
        begin, end, c, [](const mandarin::Simplified& s, char32_t v) { return s.traditional < v; });
    return it != end && it->traditional == c ? char32_t(it->simplified) : c;
}

int toneOf(const QString& syllable)
{
    return syllable.isEmpty() ? 0 : syllable.back().digitValue();
}

bool isNumeral(char32_t c)
{
    return QStringView(u"〇零一二三四五六七八九十两").contains(QChar(char16_t(c)));
}

// 一 and 不 in a run of syllables: 不 before a fourth tone is said in the
// second; 一 before a fourth in the second and before the others in the
// fourth, but not among numerals, after 第 or at the end.
void changeTones(const QList<char32_t>& run, QStringList& syllables)
{
    for (qsizetype k = 0; k + 1 < run.size(); ++k) {
        const int next = toneOf(syllables[k + 1]);
        if (run[k] == U'不' && syllables[k] == u"bu4" && next == 4) {
            syllables[k] = u"bu2"_s;
        } else if (run[k] == U'一' && syllables[k] == u"yi1" && next >= 1 && next <= 4 &&
                   !isNumeral(run[k + 1]) &&
                   (k == 0 || (!isNumeral(run[k - 1]) && run[k - 1] != U'第'))) {
            syllables[k] = next == 4 ? u"yi2"_s : u"yi4"_s;
        }
    }
}

// The syllables of a run of Han characters, words of the list first.
QStringList syllablesOf(const QList<char32_t>& run)
{
    const Words& list = words();
    QString normal;
    QList<qsizetype> starts; // of each character in `normal`
    for (const char32_t c : run) {
        starts.append(normal.size());
        normal += QString::fromUcs4(std::array<char32_t, 1>{simplified(c)}.data(), 1);
    }
    starts.append(normal.size());
    QStringList syllables;
    for (qsizetype k = 0; k < run.size();) {
        qsizetype length = std::min(list.longest, run.size() - k);
        for (; length >= 2; --length) {
            // By value: GCC's -O3 sees a null pointer in a hash iterator.
            const QStringList word =
                list.spoken.value(normal.mid(starts[k], starts[k + length] - starts[k]));
            if (!word.isEmpty()) {
                syllables += word;
                break;
            }
        }
        if (length >= 2) {
            k += length;
            continue;
        }
        syllables.append(MandarinSyllable(run[k]));
        ++k;
    }
    changeTones(run, syllables);
    return syllables;
}

// What a punctuation mark becomes, or nothing for another character.
const char* markFor(char32_t c)
{
    switch (c) {
    case U'。':
    case U'．':
    case U'｡':
        return ". ";
    case U'！':
        return "! ";
    case U'？':
        return "? ";
    case U'；':
        return "; ";
    case U'，':
    case U'、':
    case U'､':
    case U'：':
    case U'…':
    case U'‥':
    case U'—':
    case U'―':
        return ", ";
    case U'「':
    case U'」':
    case U'『':
    case U'』':
    case U'《':
    case U'》':
    case U'〈':
    case U'〉':
    case U'“':
    case U'”':
    case U'‘':
    case U'’':
    case U'（':
    case U'）':
    case U'【':
    case U'】':
    case U'〔':
    case U'〕':
    case U'\u3000':
        return " ";
    default:
        return nullptr;
    }
}

bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

} // namespace

QString MandarinSyllable(char32_t character)
{
    if (character == U'〇')
        return u"ling2"_s;
    const mandarin::Reading* const begin = mandarin::kReadings;
    const mandarin::Reading* const end = begin + mandarin::kReadingCount;
    const auto it =
        std::lower_bound(begin, end, character,
                         [](const mandarin::Reading& r, char32_t c) { return r.codePoint < c; });
    if (it == end || it->codePoint != character)
        return {};
    return QString::fromLatin1(mandarin::kSyllables[it->syllable]);
}

QString MandarinReading(const QString& text)
{
    QList<char32_t> in;
    for (const uint c : text.toUcs4())
        in.append(char32_t(c));
    for (char32_t& c : in) // full-width letters, digits and signs as ASCII
        if (c >= 0xFF01 && c <= 0xFF5E && !markFor(c))
            c -= 0xFEE0;
    QString out;
    out.reserve(text.size() * 4);
    bool sentenceStart = false;
    bool afterSyllable = false; // a letter or digit that follows needs a blank
    const auto put = [&](const QString& s) {
        out += s;
        afterSyllable = false;
    };
    for (qsizetype i = 0; i < in.size();) {
        const char32_t c = in[i];
        if (!MandarinSyllable(c).isEmpty()) {
            qsizetype j = i;
            while (j < in.size() && !MandarinSyllable(in[j]).isEmpty())
                ++j;
            QStringList syllables = syllablesOf(in.mid(i, j - i));
            if (sentenceStart && !syllables.isEmpty())
                syllables[0][0] = syllables[0][0].toUpper();
            if (!out.isEmpty() && !out.back().isSpace())
                out += u' ';
            out += syllables.join(u' ');
            afterSyllable = true;
            sentenceStart = false;
            i = j;
        } else if (const char* mark = markFor(c)) {
            // A run of marks ("……", "——", "。，") makes one pause.
            const char kind = mark[0];
            if (kind == ' ') {
                if (!out.isEmpty() && !out.back().isSpace())
                    out += u' ';
            } else {
                while (!out.isEmpty() && out.back() == u' ')
                    out.chop(1);
                if (out.isEmpty() || !QStringView(u".!?;,").contains(out.back()))
                    out += QLatin1Char(kind);
                else if (kind != ',') // a stronger mark takes a comma's place
                    out.back() = QLatin1Char(kind);
                out += u' ';
                sentenceStart = QStringView(u".!?").contains(out[out.size() - 2]);
            }
            afterSyllable = false;
            ++i;
        } else if (isDigit(c)) {
            qsizetype j = i;
            while (j < in.size() && isDigit(in[j]))
                ++j;
            const bool year = j - i == 4 && j < in.size() && in[j] == U'年' &&
                              (i == 0 || (!isDigit(in[i - 1]) && in[i - 1] != '.'));
            QString digits;
            for (qsizetype k = i; k < j; ++k) {
                if (year && k > i)
                    digits += u' ';
                digits += QChar(char16_t(in[k]));
            }
            if (afterSyllable)
                out += u' ';
            put(digits);
            sentenceStart = false;
            i = j;
        } else {
            const QString s = QString::fromUcs4(&in[i], 1);
            if (afterSyllable && QChar::isLetterOrNumber(c))
                out += u' ';
            put(s);
            if (QChar::isLetterOrNumber(c))
                sentenceStart = false;
            else if (c == '.' || c == '!' || c == '?')
                sentenceStart = true;
            ++i;
        }
    }
    return out;
}

} // namespace vt
