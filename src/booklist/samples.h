#pragma once

#include <QString>
#include <functional>

namespace vt
{

class BookListWindow;
class SettingsStore;

// The folder of the sample books that come with the program.
QString SampleFolder();

// Records the files of the sample folder under "Snapshot": their full paths
// joined by "|", scrambled with the sample key.
void SaveSamplesSnapshot(SettingsStore& store);
void SaveSamplesSnapshot(SettingsStore& store, const QString& sampleFolder);

// True when a row holds exactly this text.
bool IsPathInList(const BookListWindow& rows, const QString& path);

// Appends the recorded samples that still exist and are not listed yet, then
// offers to open the sample folder (`openFolder` gets the folder and "/").
void LoadSampleFiles(SettingsStore& store, BookListWindow& window,
                     const std::function<void(const QString&)>& openFolder,
                     const QString& sampleFolder = SampleFolder());

} // namespace vt
