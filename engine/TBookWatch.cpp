#include "TBookWatch.h"

#include <filesystem>

#include "Log.h"

TBookWatch::TBookWatch(QObject* parent) : QObject(parent) {
    Quiet.setSingleShot(true);
    connect(&Quiet, &QTimer::timeout, this, &TBookWatch::Report);
}

QFileSystemWatcher& TBookWatch::Watcher() {
    if (!System) {
        System = std::make_unique<QFileSystemWatcher>();
        connect(System.get(), &QFileSystemWatcher::fileChanged, this,
                [this](const QString& path) { Check(path.toStdString()); });
        connect(System.get(), &QFileSystemWatcher::directoryChanged, this, &TBookWatch::FolderChanged);
    }
    return *System;
}

void TBookWatch::Watch(const std::string& osPath, TBookFileKind kind) {
    if (osPath.empty() || Files.count(osPath)) return;
    Files[osPath] = {kind, IdentityOfFile(osPath)};
    // The folder shows a file renamed over this one, or made again after it was deleted.
    const QString folder = QString::fromStdString(std::filesystem::path(osPath).parent_path().string());
    if (!Watcher().directories().contains(folder) && !Watcher().addPath(folder))
        WriteLog("Папка книги не отслеживается: " + folder.toStdString(), TLogLevel::Warning);
    const QString file = QString::fromStdString(osPath);
    if (Files[osPath].Identity && !Watcher().addPath(file))
        WriteLog("Файл книги не отслеживается: " + osPath, TLogLevel::Warning);
}

void TBookWatch::Clear() {
    Quiet.stop();
    Pending.clear();
    Files.clear();
    if (!System) return;
    if (!System->files().isEmpty()) System->removePaths(System->files());
    if (!System->directories().isEmpty()) System->removePaths(System->directories());
}

void TBookWatch::FolderChanged(const QString& folder) {
    const std::filesystem::path changed(folder.toStdString());
    for (const auto& [path, watched] : Files)
        if (std::filesystem::path(path).parent_path() == changed) Check(path);
}

// A save is a change of the file's identity (inode, size or time); the watch follows a new
// file at the same path.
void TBookWatch::Check(const std::string& osPath) {
    const auto found = Files.find(osPath);
    if (found == Files.end()) return;
    const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
    const QString file = QString::fromStdString(osPath);
    if (now && !Watcher().files().contains(file)) Watcher().addPath(file);
    if (now == found->second.Identity) return;
    found->second.Identity = now;
    Pending.insert(osPath);
    Quiet.start(QuietMs);
}

void TBookWatch::Report() {
    std::vector<TChangedFile> changed;
    for (const std::string& path : Pending)
        if (const auto found = Files.find(path); found != Files.end()) changed.push_back({path, found->second.Kind});
    Pending.clear();
    if (!changed.empty()) emit Changed(changed);
}
