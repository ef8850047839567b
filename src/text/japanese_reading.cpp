#include "text/japanese_reading.h"

#include "text/japanese_counters.h"

#include <QList>
#include <mecab.h>

namespace vt
{
namespace
{

// The pronunciation is the ninth field of the IPA dictionary's features,
// the reading the eighth; "*" is none.
constexpr int kPronunciation = 8;
constexpr int kReading = 7;

bool isJapanese(char32_t c)
{
    return (c >= 0x3040 && c <= 0x30FF) ||   // hiragana, katakana
           (c >= 0x3400 && c <= 0x4DBF) ||   // kanji, extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||   // kanji
           (c >= 0xF900 && c <= 0xFAFF) ||   // compatibility kanji
           (c >= 0xFF66 && c <= 0xFF9F) ||   // half-width katakana
           (c >= 0x20000 && c <= 0x3FFFF) || // kanji, further extensions
           c == 0x3005 || c == 0x3006;       // 々 〆
}

bool hasJapanese(QStringView text)
{
    for (const char32_t c : text.toUcs4())
        if (isJapanese(c))
            return true;
    return false;
}

// One model for the process: its dictionary is read once.
MeCab::Model* model()
{
    static const std::unique_ptr<MeCab::Model> loaded(MeCab::Model::create(""));
    return loaded.get();
}

// Hiragana as katakana: the voice reads a voiced hiragana as two letters.
QString katakana(QString text)
{
    for (QChar& c : text)
        if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
            c = QChar(char16_t(c.unicode() + 0x60));
    return text;
}

// How the dictionary says the word: its pronunciation, else its reading;
// an unknown word in kana is said as it is written.
QByteArray spoken(const MeCab::Node& node, const QString& surface)
{
    const QList<QByteArray> fields = QByteArray(node.feature).split(',');
    for (const int field : {kPronunciation, kReading})
        if (fields.size() > field && !fields[field].isEmpty() && fields[field] != "*")
            return fields[field];
    return katakana(surface).toUtf8();
}

// The voice says "Japanese letter" for ゝ and ゞ, and for ー after a vowel of
// its own ("ノオー"): the kana they repeat (voiced for ゞ) stands in their place.
// The sentence and clause marks become those the text keeps, so the voice
// pauses there.
QString forTheVoice(QString text)
{
    for (const auto& [mark, kept] : {std::pair{u'。', ". "},
                                     {u'、', ", "},
                                     {u'！', "! "},
                                     {u'？', "? "},
                                     {u'，', ", "},
                                     {u'．', ". "}})
        text.replace(mark, QLatin1StringView(kept));
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const QChar before = text[i - 1];
        if (c == u'ゝ' || c == u'ヽ' ||
            (c == u'ー' && QStringView(u"アイウエオ").contains(before))) {
            text[i] = before;
        } else if (c == u'ゞ' || c == u'ヾ') {
            const QChar voiced(char16_t(before.unicode() + 1));
            text[i] = voiced.decomposition() == QString(before) + QChar(0x3099) ? voiced : before;
        }
    }
    return text;
}

} // namespace

std::unique_ptr<JapaneseReading> JapaneseReading::make()
{
    MeCab::Model* loaded = model();
    if (!loaded)
        return nullptr;
    return std::unique_ptr<JapaneseReading>(
        new JapaneseReading(loaded->createTagger(), loaded->createLattice()));
}

JapaneseReading::JapaneseReading(MeCab::Tagger* tagger, MeCab::Lattice* lattice)
    : tagger_(tagger), lattice_(lattice)
{
}

JapaneseReading::~JapaneseReading() = default;

QString JapaneseReading::apply(const QString& line)
{
    if (!hasJapanese(line))
        return line;
    QString said;
    for (CountedPart& part : WithCountersSaid(line)) {
        for (QChar& c : part.text) // full-width digits as the voice reads them
            if (c >= u'０' && c <= u'９')
                c = QChar(char16_t(c.unicode() - u'０' + u'0'));
        said += part.said ? part.text : read(part.text);
    }
    return forTheVoice(said);
}

QString JapaneseReading::read(const QString& text)
{
    if (!hasJapanese(text))
        return text;
    const QByteArray utf8 = text.toUtf8();
    lattice_->set_sentence(utf8.constData(), size_t(utf8.size()));
    if (!tagger_->parse(lattice_.get()))
        return text;
    QByteArray out;
    out.reserve(utf8.size() * 2);
    const char* copied = utf8.constData();
    for (const MeCab::Node* node = lattice_->bos_node(); node; node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
            continue;
        out.append(copied, node->surface - copied); // the blanks before the word
        const QByteArray surface(node->surface, node->length);
        const QString written = QString::fromUtf8(surface);
        out += hasJapanese(written) ? spoken(*node, written) : surface;
        copied = node->surface + node->length;
    }
    out.append(copied, utf8.constData() + utf8.size() - copied);
    return QString::fromUtf8(out);
}

} // namespace vt
