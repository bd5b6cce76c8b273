#pragma once
// The files of an open book watched as they are saved: the descriptor, book.xml, the template
// and its modules, the service stylesheet and the files a page loads. A save is seen however the
// editor writes it (in place, or a new file renamed over the old one), and a burst of saves is
// reported once it has been quiet for a moment. Uses the system's file notifications (inotify
// through QFileSystemWatcher), watching each file and its folder.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TParsedInputCache.h"

enum class TBookFileKind { Descriptor, BookXml, Template, Service, PageFile };

struct TChangedFile {
    std::string OsPath;
    TBookFileKind Kind;
};

class TBookWatch : public QObject {
    Q_OBJECT
public:
    explicit TBookWatch(QObject* parent = nullptr);

    // How long a burst of saves must be quiet before it is reported.
    int QuietMs = 250;

    // Watches osPath as a file of that kind (a file watched already keeps its first kind).
    // A file or folder the system will not watch is said in the log.
    void Watch(const std::string& osPath, TBookFileKind kind);
    void Clear();
    bool Watches(const std::string& osPath) const { return Files.count(osPath) != 0; }

signals:
    // The files that changed in a burst, each once.
    void Changed(const std::vector<TChangedFile>& files);

private:
    void FolderChanged(const QString& folder);
    void Check(const std::string& osPath);
    void Report();

    struct TWatched {
        TBookFileKind Kind;
        std::optional<TFileIdentity> Identity;
    };
    QFileSystemWatcher& Watcher();  // made at the first watch: it needs the application's event loop
    std::unique_ptr<QFileSystemWatcher> System;
    QTimer Quiet;
    std::map<std::string, TWatched> Files;
    std::set<std::string> Pending;  // changed in the burst under way
};
