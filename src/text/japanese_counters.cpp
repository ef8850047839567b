#include "text/japanese_counters.h"

#include <QStringList>
#include <array>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// How a counter changes the number before it.
enum class Change {
    None,
    H, // 1 6 8 10 100 with っ and the counter's p form, 3 voiced: 本 ポン, ボン
    K, // 1 6 8 10 100 with っ: 個 イッコ
    S, // 1 8 10 with っ: 冊 イッサツ
};

struct Counter {
    const char16_t* written;
    const char16_t* kana;
    Change change = Change::None;
    const char16_t* geminated = nullptr;  // the counter after っ (H: its p form)
    const char16_t* afterThree = nullptr; // after 3 (voiced or p), and after 4 for 分 and 泊
    bool pAfterFour = false;
    // The last digit said otherwise: 4, 7, 9 (nullptr: as on its own).
    const char16_t* four = nullptr;
    const char16_t* seven = nullptr;
    const char16_t* nine = nullptr;
};

// Longest first where one begins another.
const std::array kCounters = {
    Counter{u"ヶ月", u"カゲツ", Change::K},
    Counter{u"か月", u"カゲツ", Change::K},
    Counter{u"カ月", u"カゲツ", Change::K},
    Counter{u"ケ月", u"カゲツ", Change::K},
    Counter{u"箇月", u"カゲツ", Change::K},
    Counter{u"時間", u"ジカン", Change::None, nullptr, nullptr, false, u"ヨ", nullptr, u"ク"},
    Counter{u"年間", u"ネンカン", Change::None, nullptr, nullptr, false, u"ヨ"},
    Counter{u"週間", u"シューカン", Change::S},
    Counter{u"分間", u"フンカン", Change::H, u"プンカン", u"プンカン", true},
    Counter{u"本", u"ホン", Change::H, u"ポン", u"ボン"},
    Counter{u"匹", u"ヒキ", Change::H, u"ピキ", u"ビキ"},
    Counter{u"杯", u"ハイ", Change::H, u"パイ", u"バイ"},
    Counter{u"分", u"フン", Change::H, u"プン", u"プン", true},
    Counter{u"泊", u"ハク", Change::H, u"パク", u"パク", true},
    Counter{u"歩", u"ホ", Change::H, u"ポ", u"ポ"},
    Counter{u"発", u"ハツ", Change::H, u"パツ", u"パツ"},
    Counter{u"個", u"コ", Change::K},
    Counter{u"回", u"カイ", Change::K},
    Counter{u"階", u"カイ", Change::K, nullptr, u"ガイ"},
    Counter{u"件", u"ケン", Change::K},
    Counter{u"軒", u"ケン", Change::K, nullptr, u"ゲン"},
    Counter{u"巻", u"カン", Change::K},
    Counter{u"課", u"カ", Change::K},
    Counter{u"冊", u"サツ", Change::S},
    Counter{u"歳", u"サイ", Change::S},
    Counter{u"才", u"サイ", Change::S},
    Counter{u"週", u"シュー", Change::S},
    Counter{u"足", u"ソク", Change::S, nullptr, u"ゾク"},
    Counter{u"点", u"テン", Change::S},
    Counter{u"通", u"ツー", Change::S},
    Counter{u"頭", u"トー", Change::S},
    Counter{u"枚", u"マイ"},
    Counter{u"台", u"ダイ"},
    Counter{u"度", u"ド"},
    Counter{u"番", u"バン"},
    Counter{u"倍", u"バイ"},
    Counter{u"秒", u"ビョー"},
    Counter{u"円", u"エン", Change::None, nullptr, nullptr, false, u"ヨ"},
    Counter{u"年", u"ネン", Change::None, nullptr, nullptr, false, u"ヨ"},
    Counter{u"時", u"ジ", Change::None, nullptr, nullptr, false, u"ヨ", u"シチ", u"ク"},
    Counter{u"人", u"ニン", Change::None, nullptr, nullptr, false, u"ヨ"},
    Counter{u"月", u"ガツ", Change::None, nullptr, nullptr, false, u"シ", u"シチ", u"ク"},
    Counter{u"名", u"メイ"},
    Counter{u"号", u"ゴー"},
    Counter{u"位", u"イ"},
    Counter{u"章", u"ショー"},
    Counter{u"話", u"ワ"},
    Counter{u"部", u"ブ"},
    Counter{u"代", u"ダイ"},
    Counter{u"割", u"ワリ"},
    Counter{u"列", u"レツ"},
    Counter{u"行", u"ギョー"},
    Counter{u"日", u"ニチ", Change::None, nullptr, nullptr, false, nullptr, u"シチ", u"ク"},
};

constexpr std::array<const char16_t*, 10> kDigits = {u"ゼロ", u"イチ", u"ニ",   u"サン", u"ヨン",
                                                     u"ゴ",   u"ロク", u"ナナ", u"ハチ", u"キュー"};

// The days of a month said in words of their own.
QString dayOf(qint64 n)
{
    switch (n) {
    case 2:
        return u"フツカ"_s;
    case 3:
        return u"ミッカ"_s;
    case 4:
        return u"ヨッカ"_s;
    case 5:
        return u"イツカ"_s;
    case 6:
        return u"ムイカ"_s;
    case 7:
        return u"ナノカ"_s;
    case 8:
        return u"ヨーカ"_s;
    case 9:
        return u"ココノカ"_s;
    case 10:
        return u"トーカ"_s;
    case 14:
        return u"ジューヨッカ"_s;
    case 20:
        return u"ハツカ"_s;
    case 24:
        return u"ニジューヨッカ"_s;
    default:
        return {};
    }
}

// A number up to 9999: thousands, hundreds, tens, units, with their sound
// changes (サンゼン, ハッピャク).
QString group(int n)
{
    QString said;
    const int thousands = n / 1000, hundreds = n / 100 % 10, tens = n / 10 % 10;
    if (thousands > 0)
        said += thousands == 1   ? u"セン"_s
                : thousands == 3 ? u"サンゼン"_s
                : thousands == 8 ? u"ハッセン"_s
                                 : QString::fromUtf16(kDigits[thousands]) + u"セン"_s;
    if (hundreds > 0)
        said += hundreds == 1   ? u"ヒャク"_s
                : hundreds == 3 ? u"サンビャク"_s
                : hundreds == 6 ? u"ロッピャク"_s
                : hundreds == 8 ? u"ハッピャク"_s
                                : QString::fromUtf16(kDigits[hundreds]) + u"ヒャク"_s;
    if (tens > 0)
        said += (tens == 1 ? QString() : QString::fromUtf16(kDigits[tens])) + u"ジュー"_s;
    if (n % 10 > 0)
        said += QString::fromUtf16(kDigits[n % 10]);
    return said;
}

// The number said with its counter: the number's last part meets the
// counter's sound change.
QString counted(qint64 n, const Counter& c, bool afterMonth)
{
    const QString counter = QString::fromUtf16(c.kana);
    if (QStringView(c.written) == u"日") {
        if (n == 1)
            return afterMonth ? u"ツイタチ"_s : u"イチニチ"_s;
        if (const QString day = dayOf(n); !day.isEmpty())
            return day;
    }
    if (QStringView(c.written) == u"人" && (n == 1 || n == 2))
        return n == 1 ? u"ヒトリ"_s : u"フタリ"_s;
    if ((QStringView(c.written) == u"歳" || QStringView(c.written) == u"才") && n == 20)
        return u"ハタチ"_s;
    // The number but its last part, and that part: a digit, 10 or 100.
    const int last = int(n % 10);
    const int lastPart = last > 0 ? last : n % 100 == 10 ? 10 : n % 1000 == 100 ? 100 : 0;
    QString head;
    if (lastPart == 0) {
        return JapaneseNumber(n) + counter;
    } else if (lastPart < 10) {
        head = n > last ? JapaneseNumber(n - last) : QString();
    } else {
        const qint64 rest = n - lastPart;
        head = rest > 0 ? JapaneseNumber(rest) : QString();
    }
    const bool geminates =
        (c.change == Change::H || c.change == Change::K)
            ? (lastPart == 1 || lastPart == 6 || lastPart == 8 || lastPart == 10 || lastPart == 100)
        : c.change == Change::S ? (lastPart == 1 || lastPart == 8 || lastPart == 10)
                                : false;
    if (geminates) {
        const QString small = lastPart == 1    ? u"イッ"_s
                              : lastPart == 6  ? u"ロッ"_s
                              : lastPart == 8  ? u"ハッ"_s
                              : lastPart == 10 ? u"ジュッ"_s
                                               : u"ヒャッ"_s;
        return head + small + (c.geminated ? QString::fromUtf16(c.geminated) : counter);
    }
    QString part = lastPart == 10    ? u"ジュー"_s
                   : lastPart == 100 ? u"ヒャク"_s
                                     : QString::fromUtf16(kDigits[lastPart]);
    if (lastPart == 4 && c.four)
        part = QString::fromUtf16(c.four);
    else if (lastPart == 7 && c.seven)
        part = QString::fromUtf16(c.seven);
    else if (lastPart == 9 && c.nine)
        part = QString::fromUtf16(c.nine);
    const bool changed = c.afterThree && (lastPart == 3 || (lastPart == 4 && c.pAfterFour));
    return head + part + (changed ? QString::fromUtf16(c.afterThree) : counter);
}

bool isDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９');
}

int digitValue(QChar c)
{
    return c >= u'０' ? c.unicode() - u'０' : c.unicode() - u'0';
}

} // namespace

QString JapaneseNumber(qint64 n)
{
    if (n <= 0)
        return QString::fromUtf16(kDigits[0]);
    QString said;
    const std::array<std::pair<qint64, const char16_t*>, 3> units = {
        {{1'000'000'000'000, u"チョー"}, {100'000'000, u"オク"}, {10'000, u"マン"}}};
    for (const auto& [size, name] : units) {
        const int count = int(n / size % 10000);
        if (count == 0)
            continue;
        if (count == 1)
            said += size == 1'000'000'000'000 ? u"イッ"_s : u"イチ"_s;
        else
            said += group(count);
        said += QString::fromUtf16(name);
    }
    return said + group(int(n % 10000));
}

QList<CountedPart> WithCountersSaid(const QString& line)
{
    QList<CountedPart> parts;
    qsizetype done = 0;
    const auto digitAt = [&](qsizetype k) { return k >= 0 && k < line.size() && isDigit(line[k]); };
    const auto pointAt = [&](qsizetype k) {
        return k >= 0 && k < line.size() && (line[k] == u'.' || line[k] == u'．');
    };
    for (qsizetype start = 0; start < line.size(); ++start) {
        // A number begins after no digit, decimal point or Latin letter ("MP3").
        const bool glued =
            start > 0 && line[start - 1].isLetter() && line[start - 1].unicode() < 0x3000;
        if (!digitAt(start) || digitAt(start - 1) || pointAt(start - 1) || glued)
            continue;
        qint64 n = 0;
        int digits = 0;
        qsizetype end = start;
        for (; end < line.size() && digits <= 16; ++end) {
            if (digitAt(end)) {
                n = n * 10 + digitValue(line[end]);
                ++digits;
            } else if (line[end] != u',' || !digitAt(end + 1) || !digitAt(end + 2) ||
                       !digitAt(end + 3) || digitAt(end + 4)) {
                break; // a comma goes on only between thousands
            }
        }
        if (digits > 16 || n == 0 || pointAt(end)) {
            start = end;
            continue;
        }
        for (const Counter& c : kCounters) {
            const QStringView written(c.written);
            if (!QStringView(line).mid(end).startsWith(written))
                continue;
            if (start > done)
                parts.append({line.mid(done, start - done), false});
            parts.append({counted(n, c, start > 0 && line[start - 1] == u'月'), true});
            done = end + written.size();
            break;
        }
        start = std::max(end, done) - 1;
    }
    if (done < line.size())
        parts.append({line.mid(done), false});
    return parts;
}

} // namespace vt
