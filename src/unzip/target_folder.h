#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ctime>
#include <sys/types.h>

namespace vt
{

// An open file descriptor, closed when it goes.
class Fd
{
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

  private:
    int fd_ = -1;
};

// What is already at a place an entry is to be written to.
struct Existing {
    enum Kind { Nothing, File, Folder, Link, Other } kind = Nothing;
    time_t mtime = 0;
};

// The folder that entries are unpacked into. Every folder on the way to an
// entry is opened without following links and names never hold "..", so
// nothing is written outside it, whatever links an earlier unpacking or
// someone else left in it.
class TargetFolder
{
  public:
    // Creates the folder (with its parents) when it is missing and opens
    // it; a link given here is followed, as the caller chose it. Raises an
    // error when it cannot be had.
    explicit TargetFolder(const QString& path);

    enum class Outcome { Done, Link, Failed };

    // Opens the folders named by parts below the target, creating missing
    // ones. Link: one of them is a link. Failed: problem says why.
    Outcome openFolders(const QStringList& parts, Fd& folder, QString& problem) const;

    const QString& path() const { return path_; }

  private:
    QString path_;
    Fd root_;
};

// What is at name inside the open folder (links are not followed).
Existing existingAt(int folder, const QString& name);

// A file being written under a temporary name beside its final place; it
// replaces whatever file had the name only when commit() is reached, so a
// failed entry never destroys an existing file nor leaves half a file.
class PendingFile
{
  public:
    // Raises an error when the file cannot be created.
    PendingFile(int folder, const QString& name, const QString& shownPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Each raises an error when the disk refuses.
    void write(const char* data, qint64 size);
    void restart();
    void commit(mode_t mode, time_t mtime);

  private:
    int folder_;
    QByteArray name_;
    QByteArray temporary_;
    QString shown_;
    Fd file_;
};

} // namespace vt
