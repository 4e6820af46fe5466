#pragma once

// The skin: every picture the viewer draws on its skinned surfaces comes from one resource archive,
// CorvellResource.rcc, by kind and numeric id. The manager registers the archive once and hands out
// fresh copies; whoever loads a picture owns it. A missing archive or picture is logged and the caller
// goes on without the picture.

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class ResourceManager {
public:
    static constexpr const char* kArchiveName = "CorvellResource.rcc";

    // The process-wide manager, created on first use from the user-interface thread.
    static ResourceManager* GetInstance();
    // The main window destroys it when it goes; this unregisters the archive.
    static void DestroyInstance();

    // Where the archive is looked for, in order: the current folder at the moment of first use, then
    // the program's own folder and its installed data folder, so a program started from elsewhere
    // still has its skin.
    static QStringList DefaultFolders();

    // Registers the first archive found in folders; logs one line when there is none. Never retried.
    explicit ResourceManager(const QStringList& folders);
    ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // True while an archive is registered.
    bool GetModule() const { return !m_module.isEmpty(); }
    // The registered archive's path; empty when none.
    const QString& ArchivePath() const { return m_module; }

    // A picture by id, or the matching fallback when the archive lacks it. devicePixelRatio above 1
    // picks the double-resolution rendering (same size in device-independent pixels).
    QPixmap LoadBitmap(int id, qreal devicePixelRatio = 1.0) const;
    QIcon LoadIcon(int id) const;
    QPixmap LoadPng(int id, qreal devicePixelRatio = 1.0) const;

    // Fallbacks for a failed load of an icon, a bitmap or a PNG resource: one log line, no picture.
    QIcon GetIcon() const;
    QPixmap GetBitmap() const;
    QPixmap GetRes() const;

private:
    QPixmap Load(const char* kind, int id, qreal devicePixelRatio) const;

    QString m_module;
};
