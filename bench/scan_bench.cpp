// Driver of bench/scan_bench.sh.
//   scan_bench make DIR         builds the test tree in DIR (must not exist)
//   scan_bench add DIR [RUNS]   times "Add All EPUB Files In Folder" on DIR
//                               through the core; prints "rows N ms T" with
//                               the fastest of RUNS runs
#include "booklist/adding_books.h"
#include "booklist/list_window.h"
#include "common/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kFolders = 5000;
constexpr int kFiles = 100000;
constexpr int kChildren = 12;

// The window as the book list sees it; yields let Qt handle its events as
// the real window does.
class BenchWindow : public vt::BookListWindow
{
  public:
    int rowCount() const override { return int(rows.size()); }
    QString rowText(int row) const override { return rows.at(row - 1); }
    void appendRow(const QString& text) override { rows.append(text); }
    void setPointer(vt::Pointer) override {}
    bool busy() const override { return false; }
    void yieldOnce() override { QCoreApplication::processEvents(); }
    vt::Answer showMessage(const QString& text, vt::Buttons, vt::Icon, const QString&) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return vt::Answer::Ok;
    }

    QStringList rows;
};

// 5000 folders, breadth-first, 12 to a parent; every 97th hidden, every
// 251st made unreadable at the end. 100000 empty files, 20 to a folder;
// every 250th an EPUB book (every 7th of those in capitals), every 1500th a
// hidden EPUB file, every 2000th a lock file "~...epub".
int make(const std::string& root)
{
    if (::mkdir(root.c_str(), 0755) != 0) {
        std::perror(root.c_str());
        return 1;
    }
    std::vector<std::string> folders{root};
    for (std::size_t parent = 0; folders.size() < kFolders; ++parent) {
        for (int c = 0; c < kChildren && folders.size() < kFolders; ++c) {
            const int n = int(folders.size());
            const std::string name = (n % 97 == 0 ? ".hidden" : "folder") + std::to_string(n);
            const std::string path = folders[parent] + "/" + name;
            if (::mkdir(path.c_str(), 0755) != 0) {
                std::perror(path.c_str());
                return 1;
            }
            folders.push_back(path);
        }
    }
    for (int i = 0; i < kFiles; ++i) {
        // Scattered over the folders, so that books land in every kind of folder.
        const std::string& folder = folders[(std::size_t(i) * 7919) % folders.size()];
        std::string name;
        if (i % 2000 == 1)
            name = "~lock" + std::to_string(i) + ".epub";
        else if (i % 1500 == 2)
            name = ".hidden" + std::to_string(i) + ".epub";
        else if (i % 250 == 0)
            name = "book" + std::to_string(i) + (i % 1750 == 0 ? ".EPUB" : ".epub");
        else
            name = "file" + std::to_string(i) +
                   (i % 3 == 0   ? ".txt"
                    : i % 3 == 1 ? ".pdf"
                                 : ".dat");
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            return 1;
        }
        ::close(fd);
    }
    for (std::size_t n = 251; n < folders.size(); n += 251)
        ::chmod(folders[n].c_str(), 0);
    return 0;
}

int add(const QString& folder, int runs)
{
    QTemporaryDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    vt::SettingsStore store;
    qint64 best = -1;
    qsizetype rows = 0;
    for (int run = 0; run < runs; ++run) {
        BenchWindow window;
        QElapsedTimer timer;
        timer.start();
        vt::AddAllEpubFilesInFolder(store, window, [&](const QString&) { return folder; });
        const qint64 ms = timer.elapsed();
        if (best < 0 || ms < best)
            best = ms;
        rows = window.rows.size();
    }
    std::printf("rows %lld ms %lld\n", static_cast<long long>(rows), static_cast<long long>(best));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 3 && args[1] == u"make"_s)
        return make(QFile::encodeName(args[2]).toStdString());
    if (args.size() >= 3 && args[1] == u"add"_s)
        return add(args[2], args.size() >= 4 ? args[3].toInt() : 3);
    std::fprintf(stderr, "usage: scan_bench make DIR | scan_bench add DIR [RUNS]\n");
    return 2;
}
