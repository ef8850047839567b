// Builds the program's table of Mandarin readings from the Unihan database
// (Debian's unicode-data) and the word list kept beside this file, at build
// time. Each Han character gets one syllable with its tone number, as the
// pinyin voice reads it ("wen2", "de5" for the neutral tone, "lv4" for lǜ):
// the reading the frequency count of kHanyuPinlu finds most often, else,
// for a character the count left out, the most often counted reading of its
// simplified form that it has too (unless it is a simplified form itself),
// else kMandarin's first, else
// kHanyuPinyin's, kXHC1983's or kTGHZ2013's first. Every reading of the word
// list must be one of its character's readings there (or that reading in the
// neutral tone): a typing error stops the build.
//
//   make_mandarin_table Unihan_Readings.txt[.bz2] Unihan_Variants.txt[.bz2] words.txt out.cpp

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using Readings = std::vector<std::string>;

struct Character {
    std::vector<std::pair<std::string, long>> counted; // kHanyuPinlu
    Readings mandarin, hanyuPinyin, dictionaries;      // in their order
    std::set<std::string> all;                         // every reading given
    char32_t simplified = 0; // its simplified form, when it has one other than itself
    bool alsoItself = false; // it is its own simplified form in some words
};

// The lines of a file, decompressed when its name ends in ".bz2".
std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".bz2") == 0) {
        const std::string command = "bzip2 -dc -- '" + path + "'";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return lines;
        std::string line;
        char buffer[4096];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            line += buffer;
            if (!line.empty() && line.back() == '\n') {
                line.pop_back();
                lines.push_back(line);
                line.clear();
            }
        }
        if (!line.empty())
            lines.push_back(line);
        if (pclose(pipe) != 0)
            lines.clear();
        return lines;
    }
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Decodes the UTF-8 character at s[i], moving i past it.
char32_t decode(const std::string& s, size_t& i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (int k = 1; k < length && i + size_t(k) < s.size(); ++k)
        c = (c << 6) | (byte(i + size_t(k)) & 0x3F);
    i += size_t(length);
    return c;
}

// A syllable with tone marks as ASCII with its tone number: "lǜ" gives
// "lv4", "de" "de5". Empty for what is no syllable.
std::string numbered(const std::string& marked)
{
    static const std::map<char32_t, std::pair<char, int>> vowels = {
        {U'ā', {'a', 1}}, {U'á', {'a', 2}}, {U'ǎ', {'a', 3}}, {U'à', {'a', 4}}, {U'ē', {'e', 1}},
        {U'é', {'e', 2}}, {U'ě', {'e', 3}}, {U'è', {'e', 4}}, {U'ī', {'i', 1}}, {U'í', {'i', 2}},
        {U'ǐ', {'i', 3}}, {U'ì', {'i', 4}}, {U'ō', {'o', 1}}, {U'ó', {'o', 2}}, {U'ǒ', {'o', 3}},
        {U'ò', {'o', 4}}, {U'ū', {'u', 1}}, {U'ú', {'u', 2}}, {U'ǔ', {'u', 3}}, {U'ù', {'u', 4}},
        {U'ǖ', {'v', 1}}, {U'ǘ', {'v', 2}}, {U'ǚ', {'v', 3}}, {U'ǜ', {'v', 4}}, {U'ü', {'v', 0}},
        {U'ê', {'e', 0}}, {U'ḿ', {'m', 2}}, {U'ń', {'n', 2}}, {U'ň', {'n', 3}}, {U'ǹ', {'n', 4}},
        {U'ế', {'e', 2}}, {U'ề', {'e', 4}}};
    static const std::map<char32_t, int> combining = {
        {0x0304, 1}, {0x0301, 2}, {0x030C, 3}, {0x0300, 4}};
    std::string out;
    int tone = 0;
    for (size_t i = 0; i < marked.size();) {
        const char32_t c = decode(marked, i);
        if (c >= 'a' && c <= 'z') {
            out += char(c);
        } else if (const auto v = vowels.find(c); v != vowels.end()) {
            out += v->second.first;
            tone = v->second.second != 0 ? v->second.second : tone;
        } else if (const auto m = combining.find(c); m != combining.end()) {
            tone = m->second;
        } else {
            return {};
        }
    }
    if (out.empty())
        return {};
    return out + char('0' + (tone == 0 ? 5 : tone));
}

std::vector<std::string> split(const std::string& s, char by)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, by))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

char32_t codePoint(const std::string& field) // "U+4E00"
{
    return field.size() > 2 ? char32_t(std::stoul(field.substr(2), nullptr, 16)) : 0;
}

// "10001.010:yī 10002.020:a,b" (a reading after each colon, comma-separated).
Readings located(const std::string& value)
{
    Readings readings;
    for (const std::string& entry : split(value, ' ')) {
        const size_t colon = entry.find(':');
        if (colon == std::string::npos)
            continue;
        for (const std::string& r : split(entry.substr(colon + 1), ','))
            if (const std::string n = numbered(r); !n.empty())
                readings.push_back(n);
    }
    return readings;
}

std::string choose(const Character& c, const std::map<char32_t, Character>& all)
{
    const auto mostCounted = [](const Character& of, const std::set<std::string>* within) {
        std::string best;
        long count = -1;
        for (const auto& [reading, n] : of.counted)
            if (n > count && (within == nullptr || within->count(reading) > 0 ||
                              within->count(reading.substr(0, reading.size() - 1) + "5") > 0)) {
                best = reading;
                count = n;
            }
        return best;
    };
    if (std::string own = mostCounted(c, nullptr); !own.empty())
        return own;
    // A character that is its own simplified form in some words has readings
    // of its own there.
    if (c.simplified != 0 && !c.alsoItself)
        if (const auto s = all.find(c.simplified); s != all.end())
            if (std::string of = mostCounted(s->second, &c.all); !of.empty())
                return of;
    for (const Readings* r : {&c.mandarin, &c.hanyuPinyin, &c.dictionaries})
        if (!r->empty())
            return r->front();
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: make_mandarin_table READINGS VARIANTS WORDS OUT\n";
        return 2;
    }
    std::map<char32_t, Character> characters;
    const std::vector<std::string> readingLines = readLines(argv[1]);
    for (const std::string& line : readingLines) {
        const std::vector<std::string> f = split(line, '\t');
        if (line.empty() || line[0] == '#' || f.size() < 3)
            continue;
        const std::string& field = f[1];
        const std::string& value = f[2];
        Character& c = characters[codePoint(f[0])];
        if (field == "kHanyuPinlu") {
            for (const std::string& entry : split(value, ' ')) {
                const size_t open = entry.find('(');
                const std::string n = numbered(entry.substr(0, open));
                if (!n.empty() && open != std::string::npos)
                    c.counted.emplace_back(n, std::stol(entry.substr(open + 1)));
            }
            for (const auto& r : c.counted)
                c.all.insert(r.first);
        } else if (field == "kMandarin") {
            for (const std::string& r : split(value, ' '))
                if (const std::string n = numbered(r); !n.empty())
                    c.mandarin.push_back(n);
            c.all.insert(c.mandarin.begin(), c.mandarin.end());
        } else if (field == "kHanyuPinyin") {
            c.hanyuPinyin = located(value);
            c.all.insert(c.hanyuPinyin.begin(), c.hanyuPinyin.end());
        } else if (field == "kXHC1983" || field == "kTGHZ2013") {
            const Readings r = located(value);
            c.dictionaries.insert(c.dictionaries.end(), r.begin(), r.end());
            c.all.insert(r.begin(), r.end());
        }
    }
    if (characters.size() < 10000) {
        std::cerr << argv[1] << ": no Unihan readings (install unicode-data)\n";
        return 1;
    }
    for (const std::string& line : readLines(argv[2])) {
        const std::vector<std::string> f = split(line, '\t');
        if (f.size() < 3 || f[1] != "kSimplifiedVariant")
            continue;
        const char32_t of = codePoint(f[0]);
        std::vector<char32_t> forms;
        for (const std::string& v : split(f[2], ' '))
            forms.push_back(codePoint(v));
        for (const char32_t form : forms)
            if (form != of && characters[of].simplified == 0)
                characters[of].simplified = form;
        characters[of].alsoItself = std::find(forms.begin(), forms.end(), of) != forms.end();
    }

    // The word list: "word syllable syllable ..." a line, "#" comments.
    std::vector<std::pair<std::string, std::string>> words;
    int errors = 0;
    int number = 0;
    for (const std::string& line : readLines(argv[3])) {
        ++number;
        const std::vector<std::string> f = split(line.substr(0, line.find('#')), ' ');
        if (f.empty())
            continue;
        std::vector<char32_t> written;
        for (size_t i = 0; i < f[0].size();)
            written.push_back(decode(f[0], i));
        bool fits = written.size() == f.size() - 1;
        for (size_t k = 0; fits && k < written.size(); ++k) {
            const std::string& r = f[k + 1];
            const auto known = [&](char32_t c) {
                const auto it = characters.find(c);
                if (it == characters.end())
                    return false;
                for (const std::string& reading : it->second.all)
                    if (reading == r ||
                        (r.back() == '5' &&
                         reading.compare(0, reading.size() - 1, r, 0, r.size() - 1) == 0 &&
                         reading.size() == r.size()))
                        return true;
                return false;
            };
            const auto it = characters.find(written[k]);
            fits = known(written[k]) || (it != characters.end() && it->second.simplified != 0 &&
                                         known(it->second.simplified));
        }
        if (!fits) {
            std::cerr << argv[3] << ":" << number << ": \"" << line
                      << "\" is not a reading Unihan gives its characters\n";
            ++errors;
            continue;
        }
        std::string reading;
        for (size_t k = 1; k < f.size(); ++k)
            reading += (k > 1 ? " " : "") + f[k];
        words.emplace_back(f[0], reading);
    }
    if (errors > 0)
        return 1;

    std::map<std::string, int> syllableIndex;
    std::vector<std::string> syllables;
    std::vector<std::pair<char32_t, int>> table;
    std::vector<std::pair<char32_t, char32_t>> simplified;
    for (const auto& [cp, c] : characters) {
        const std::string r = choose(c, characters);
        if (!r.empty()) {
            auto [it, added] = syllableIndex.emplace(r, int(syllables.size()));
            if (added)
                syllables.push_back(r);
            table.emplace_back(cp, it->second);
        }
        if (c.simplified != 0)
            simplified.emplace_back(cp, c.simplified);
    }

    std::ofstream out(argv[4]);
    out << "// Made at build time by src/text/unihan/make_mandarin_table.cpp from the\n"
           "// Unihan database (Debian's unicode-data), Copyright 1991-2022 Unicode,\n"
           "// Inc., under the Unicode licence (data/copyright), modified: one reading\n"
           "// a character, with its tone number; and src/text/unihan/mandarin_words.txt.\n"
           "// Do not edit.\n"
           "#include \"text/mandarin_table.h\"\n\nnamespace vt::mandarin\n{\n\n";
    out << "const char* const kSyllables[] = {";
    for (size_t i = 0; i < syllables.size(); ++i)
        out << (i % 10 == 0 ? "\n    " : " ") << '"' << syllables[i] << "\",";
    out << "\n};\n\nconst Reading kReadings[] = {";
    for (size_t i = 0; i < table.size(); ++i)
        out << (i % 6 == 0 ? "\n    " : " ") << "{0x" << std::hex << uint32_t(table[i].first)
            << std::dec << ", " << table[i].second << "},";
    out << "\n};\nconst std::size_t kReadingCount = " << table.size() << ";\n\n";
    out << "const Simplified kSimplified[] = {";
    for (size_t i = 0; i < simplified.size(); ++i)
        out << (i % 6 == 0 ? "\n    " : " ") << "{0x" << std::hex << uint32_t(simplified[i].first)
            << ", 0x" << uint32_t(simplified[i].second) << std::dec << "},";
    out << "\n};\nconst std::size_t kSimplifiedCount = " << simplified.size() << ";\n\n";
    out << "const Word kWords[] = {";
    for (const auto& [word, reading] : words)
        out << "\n    {\"" << word << "\", \"" << reading << "\"},";
    out << "\n};\nconst std::size_t kWordCount = " << words.size()
        << ";\n\n} // namespace vt::mandarin\n";
    return out.good() ? 0 : 1;
}
