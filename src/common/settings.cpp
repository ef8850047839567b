#include "common/settings.h"

#include "common/error.h"
#include "common/files.h"

#include <QFileInfo>
#include <QSettings>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

const QString kGroup = u"Vellumtone/"_s;

QString fullKey(const char* key)
{
    return kGroup + QString::fromLatin1(key);
}

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            u"Quillmark"_s, u"Quillmark"_s))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultText(const char* key)
{
    const QString name = QString::fromLatin1(key);
    if (name == QLatin1String(key::VolumeLevel))
        return u"100"_s;
    if (name == QLatin1String(key::SpeechRate))
        return u"-3"_s;
    if (name == QLatin1String(key::Combo))
        return u"0"_s;
    if (name == QLatin1String(key::Option1))
        return u"1"_s;
    if (name == QLatin1String(key::Option2))
        return u"0"_s;
    if (name == QLatin1String(key::Tags))
        return u"True"_s;
    if (name == QLatin1String(key::Text1))
        return DefaultOutputFolder();
    if (name == QLatin1String(key::MatchLanguage))
        return u"True"_s;
    if (name == QLatin1String(key::Format))
        return u"mp3"_s;
    if (name == QLatin1String(key::SplitChapters))
        return u"False"_s;
    if (name == QLatin1String(key::ChapterPause))
        return u"2"_s;
    return {};
}

QString SettingsStore::folder() const
{
    return QFileInfo(settings_->fileName()).absolutePath();
}

QString PronunciationListPath()
{
    return SettingsStore().folder() + u"/pronounce.txt"_s;
}

int PauseMilliseconds(const QString& seconds, int maxSeconds)
{
    bool ok = false;
    const double value = seconds.trimmed().toDouble(&ok);
    if (!ok || !(value >= 0) || value > maxSeconds)
        return -1;
    return int(std::lround(value * 1000));
}

bool SettingsStore::contains(const char* key) const
{
    return settings_->contains(fullKey(key));
}

QString SettingsStore::text(const char* key) const
{
    const QVariant value = settings_->value(fullKey(key));
    return value.isValid() ? value.toString() : defaultText(key);
}

int SettingsStore::number(const char* key) const
{
    return RoundHalfEven(LeadingNumber(text(key)));
}

bool SettingsStore::boolean(const char* key) const
{
    return TextToBoolean(text(key));
}

void SettingsStore::setText(const char* key, const QString& value)
{
    settings_->setValue(fullKey(key), value);
    settings_->sync();
}

void SettingsStore::setNumber(const char* key, int value)
{
    setText(key, QString::number(value));
}

void SettingsStore::setBoolean(const char* key, bool value)
{
    setText(key, value ? u"True"_s : u"False"_s);
}

double LeadingNumber(const QString& text)
{
    // Blanks and tabs before the number are skipped; the number is an
    // optional sign, digits, an optional fraction and an optional exponent.
    const QByteArray latin = text.toLatin1();
    const char* p = latin.constData();
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* start = p;
    if (*p == '+' || *p == '-')
        ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9')
        ++p;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
    }
    if (p == digits || (p == digits + 1 && *digits == '.'))
        return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-')
            ++exponent;
        if (*exponent >= '0' && *exponent <= '9') {
            p = exponent;
            while (*p >= '0' && *p <= '9')
                ++p;
        }
    }
    return std::strtod(QByteArray(start, p - start).constData(), nullptr);
}

int RoundHalfEven(double value)
{
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<int>::min() ||
        rounded > std::numeric_limits<int>::max())
        raise(err::Overflow, u"Overflow"_s);
    return static_cast<int>(rounded);
}

bool TextToBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (!ok)
        raise(err::TypeMismatch, u"Type mismatch"_s);
    return number != 0.0;
}

} // namespace vt
