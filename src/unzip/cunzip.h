#pragma once

#include "unzip/archive_entry.h"
#include "unzip/unzip_library.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

namespace vt
{

// Lists and unpacks the entries of a zip archive. Everything starts zero,
// false or empty. Entries are numbered from 1; an index outside 1 to
// FileCount() is the subscript-out-of-range error. Errors of the archive
// reach the caller with the source "Vellumtone.VBUnzip".
class cUnzip : private UnzipCallbacks
{
  public:
    // Events: a caller sets the ones it wants; an unset one keeps its preset
    // answer. Errors thrown by a handler are ignored.
    // Before each entry is handled, with its path; true stops the unpacking.
    std::function<void(const QString& sMsg, bool& bCancel)> Cancel;
    // A file of that path exists; eResponse comes preset to kOverwriteKeep.
    std::function<void(const QString& sFIle, qint32& eResponse)> OverwritePrompt;
    // An encrypted entry needs a password. An empty answer or bCancel means
    // none, and no more is asked during that call.
    std::function<void(QString& sPassword, bool& bCancel)> PasswordRequest;
    // A line about the work: each entry unpacked, kept or skipped.
    std::function<void(qint32 lCount, const QString& sMsg)> Progress;

    // Only replaces files older than their entries (and asks nothing about
    // them unless PromptToOverwrite is set).
    bool ExtractOnlyNewer() const { return options_.extractOnlyNewer != 0; }
    void setExtractOnlyNewer(bool bState) { options_.extractOnlyNewer = bState ? 1 : 0; }
    bool SpaceToUnderScore() const { return options_.spaceToUnderScore != 0; }
    void setSpaceToUnderScore(bool bState) { options_.spaceToUnderScore = bState ? 1 : 0; }
    // Asks OverwritePrompt even where OverwriteExisting or ExtractOnlyNewer
    // would replace a file without asking.
    bool PromptToOverwrite() const { return options_.promptToOverwrite != 0; }
    void setPromptToOverwrite(bool bState) { options_.promptToOverwrite = bState ? 1 : 0; }
    // kMessagesAll, or any other value for warnings only.
    qint32 MessageLevel() const { return options_.messageLevel; }
    void setMessageLevel(qint32 eLevel) { options_.messageLevel = eLevel; }
    // Reads and checks the selected entries; writes nothing.
    bool TestZip() const { return options_.testZip != 0; }
    void setTestZip(bool bState) { options_.testZip = bState ? 1 : 0; }
    // Entries keep their folders; without it all land in UnzipFolder itself.
    bool UseFolderNames() const { return options_.useFolderNames != 0; }
    void setUseFolderNames(bool bState) { options_.useFolderNames = bState ? 1 : 0; }
    bool OverwriteExisting() const { return options_.overwriteExisting != 0; }
    void setOverwriteExisting(bool bState) { options_.overwriteExisting = bState ? 1 : 0; }
    // Kept for callers; Linux text files need no conversion, so it does nothing.
    bool ConvertCRToCRLF() const { return options_.convertCRToCRLF != 0; }
    void setConvertCRToCRLF(bool bState) { options_.convertCRToCRLF = bState ? 1 : 0; }
    // Selected names match entries in their exact letter case.
    bool CaseSensitiveFileNames() const { return options_.caseSensitiveFileNames != 0; }
    void setCaseSensitiveFileNames(bool bState)
    {
        options_.caseSensitiveFileNames = bState ? 1 : 0;
    }

    QString ZipFile() const { return zipFile_; }
    // Also empties the entry list, even when the name stays the same.
    void setZipFile(const QString& sFIle);
    QString UnzipFolder() const { return unzipFolder_; }
    void setUnzipFolder(const QString& sFolder) { unzipFolder_ = sFolder; }

    qint32 FileCount() const { return qint32(entries_.size()); }
    QString Filename(qint32 lIndex) const { return entry(lIndex).name; }
    // "/" between folders; empty at the archive's root.
    QString FileDirectory(qint32 lIndex) const { return entry(lIndex).folder; }
    qint32 FileSize(qint32 lIndex) const { return entry(lIndex).size; }
    // FileSize x FileCompressionRatio / 100; the overflow error beyond 32 bits.
    qint32 FilePackedSize(qint32 lIndex) const;
    qint32 FileCompressionRatio(qint32 lIndex) const { return entry(lIndex).ratio; }
    QDateTime FileDate(qint32 lIndex) const { return entry(lIndex).date; }
    quint32 FileCRC(qint32 lIndex) const { return entry(lIndex).crc; }
    QString FileCompressionMethod(qint32 lIndex) const { return entry(lIndex).method; }
    bool FileEncrypted(qint32 lIndex) const { return entry(lIndex).encrypted; }
    bool FileSelected(qint32 lIndex) const { return entry(lIndex).selected; }
    void setFileSelected(qint32 lIndex, bool bState);

    // Appends the archive's file entries, all selected, to the list.
    // Always returns 0.
    qint32 Directory();
    // Unpacks the selected entries (all of them when every one or none is
    // listed) into UnzipFolder. True when every entry was unpacked as asked;
    // false when some were skipped (unsafe paths, links, no password), the
    // call was cancelled, or ZipFile is empty.
    bool Unzip();
    // The zip library's version; dDate is left as it is.
    void GetVersion(qint32& lMajor, qint32& lMinor, qint32& lRevision, QDateTime& dDate,
                    QString& sExtraInfo) const;

  private:
    const ArchiveEntry& entry(qint32 lIndex) const;

    void print(const QString& text) override;
    qint32 replace(const QString& path) override;
    bool password(QByteArray& password) override;
    void listing(const QString& path, const ArchiveEntry& values) override;
    bool service(const QString& name) override;

    UnzipOptions options_;
    QString zipFile_;
    QString unzipFolder_;
    QList<ArchiveEntry> entries_;
};

} // namespace vt
