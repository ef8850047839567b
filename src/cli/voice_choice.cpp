#include "cli/voice_choice.h"

#include "common/error_report.h"
#include "common/settings.h"
#include "common/window_ports.h"
#include "speech/sp_voice.h"
#include "speech/voice_catalogue.h"

#include <QDirIterator>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

class NameCollector : public VoiceListPort, public MessageBoxPort
{
  public:
    void clearVoices() override { names.clear(); }
    void addVoice(const QString& description) override { names.append(description); }
    int voiceCount() const override { return int(names.size()); }
    void setVoiceIndex(int) override {}
    Answer showMessage(const QString& text, Buttons, Icon, const QString&) override
    {
        std::fprintf(stderr, "vellumtone-cli: %s\n", qPrintable(text));
        return Answer::No;
    }
    QStringList names;
};

} // namespace

QStringList VoiceNames()
{
    NameCollector collector;
    SettingsStore store;
    LoadVoiceList(collector, false, collector, store);
    return collector.names;
}

QStringList VoiceEngines()
{
    QStringList engines;
    try {
        for (const VoiceToken& token : SpVoice().GetVoices())
            engines.append(EngineName(token.engine()));
    } catch (...) {
        // VoiceNames has said why there are no voices.
    }
    return engines;
}

int FirstStartVoiceIndex()
{
    try {
        return FirstStartVoice(SpVoice().GetVoices());
    } catch (...) {
        return -1;
    }
}

int ChooseVoice(const QStringList& voices, const QString& wanted)
{
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < voices.size() ? number : -1;
    for (qsizetype i = 0; i < voices.size(); ++i)
        if (voices[i].compare(wanted, Qt::CaseInsensitive) == 0)
            return int(i);
    int found = -1;
    for (qsizetype i = 0; i < voices.size(); ++i) {
        if (voices[i].contains(wanted, Qt::CaseInsensitive)) {
            if (found >= 0)
                return -1; // ambiguous
            found = int(i);
        }
    }
    return found;
}

} // namespace vt
