// TFindFile: walks the folder tree below one folder and hands out, one at a time, every
// subdirectory (NextDir) or every file whose extension is in a list (NextFile), each as a path
// relative to that folder.
//
// A walk is a chain of walkers, one per level that is open: each holds one folder's
// subdirectories and filtered files, in the order the file system gives them, and a child walker
// for the subdirectory being walked. Folders come before what is below them; a folder's own files
// come before those of its subdirectories. Hidden and system folders are not walked into, hidden
// and system files are listed. A folder reached through a symbolic link that leads back to a folder
// already open on the chain is listed but not entered, so a link loop cannot make a walk endless.
#pragma once

#include "core/platform/hostdir.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <memory>
#include <vector>

class TFindFile
{
public:
    // The value of done() once a walk has nothing more to give.
    static constexpr int kDone = 8;

    TFindFile();
    ~TFindFile();
    TFindFile(const TFindFile &) = delete;
    TFindFile &operator=(const TFindFile &) = delete;

    // The file filter: entries such as ".BMP", compared without regard to case; ".*" admits every
    // file. Set it before Start.
    void setExtensions(const QStringList &extensions) { m_extensions = extensions; }
    const QStringList &extensions() const { return m_extensions; }

    // When set, a link to a folder that lies outside the walked folder is listed (NextDir) but
    // not entered, so nothing outside is walked. Off by default. Set it before Start.
    void setStayInside(bool stay) { m_stayInside = stay; }

    // Begins a walk of folder (a Windows path without a trailing backslash). A folder that cannot
    // be listed gives an empty walk.
    void Start(const QString &folder);
    // The next subdirectory below the folder ("A", "A\B", "A\B\C", "D"). When there is none, done()
    // becomes 8 and the value returned means nothing.
    QString NextDir();
    // The next file below the folder that passes the filter ("x.txt", "A\y.txt", "A\B\z.txt").
    // When there is none, done() becomes 8 and the value returned means nothing.
    QString NextFile();
    // 0 while entries remain, 8 once the walk is finished. Check it after every call.
    int done() const { return m_done; }

    // The folder given to Start.
    const QString &folder() const { return m_folder; }

private:
    struct Subdirectory
    {
        QString name;
        QByteArray hostName;
        bool viaLink;
    };
    struct Filter;

    void clearLevel(const QString &folder, const QByteArray &hostFolder);
    void readFolder();
    bool passes(QStringView name) const;
    bool startChild();
    bool startBelow(const TFindFile &parent, const QString &folder, const Subdirectory &sub);
    bool identity(dev_t *device, ino_t *inode);
    bool leadsBackToChain();
    bool leadsOutside() const;

    QString m_folder;
    QStringList m_extensions;
    bool m_stayInside = false;
    QByteArray m_host;
    QString m_relative; // this level's path below the walk's folder, with a trailing "\"
    std::shared_ptr<const Filter> m_filter;
    // The folder stays open while its level is: the folders below are opened relative to it.
    win::HostDirReader m_reader;
    std::vector<Subdirectory> m_subdirectories;
    QStringList m_files;
    std::unique_ptr<TFindFile> m_child;
    TFindFile *m_parent = nullptr;
    qsizetype m_position = 0;
    int m_phase = 0;
    bool m_childToStart = false;
    int m_done = 0;
    // Who this level's folder is, for the link check; found only when a link asks.
    bool m_identityKnown = false;
    bool m_identityValid = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
