// TFindFile: the folder tree walker.
//
// The walk costs what a plain listing costs: each folder is opened relative to the folder above it
// (one name to look up), read in one pass trusting the entry types, and asked for its attribute
// through the open descriptor just before it is walked. A folder found hidden or system at that
// point is passed over as if it had never been listed, which gives the same order as checking
// every folder while listing its parent.
#include "findfile.h"

#include "core/platform/attributes.h"
#include "core/platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

// The filter as the walk uses it: upper-cased once per Start and shared by every level.
struct TFindFile::Filter
{
    bool everything = false;
    QStringList extensions;
    // With setStayInside: the walked folder with every link resolved, and a "/" after it.
    QString insideOf;
};

TFindFile::TFindFile() = default;
TFindFile::~TFindFile() = default;

void TFindFile::Start(const QString &folder)
{
    auto filter = std::make_shared<Filter>();
    for (const QString &extension : std::as_const(m_extensions)) {
        if (extension == QLatin1String(".*"))
            filter->everything = true;
        filter->extensions.append(extension.toUpper());
    }
    m_relative.clear();
    QString host;
    clearLevel(folder, win::ToHostPath(folder, &host) ? QFile::encodeName(host) : QByteArray());
    if (m_stayInside && !host.isEmpty())
        filter->insideOf = QFileInfo(host).canonicalFilePath() + QLatin1Char('/');
    m_filter = std::move(filter);
    // A folder that cannot be listed (too long, no such drive, not there) gives an empty walk.
    if (!m_host.isEmpty() && m_reader.open(m_host))
        readFolder();
}

void TFindFile::clearLevel(const QString &folder, const QByteArray &hostFolder)
{
    m_folder = folder;
    m_host = hostFolder;
    m_position = 0;
    m_phase = 0;
    m_childToStart = false;
    m_done = 0;
    m_identityKnown = false;
    m_subdirectories.clear();
    m_files.clear();
    m_reader.close();
}

// Starts this walker as the child of parent on its subdirectory sub. False when that folder is
// hidden or system: it is then neither handed out nor walked.
bool TFindFile::startBelow(const TFindFile &parent, const QString &folder, const Subdirectory &sub)
{
    QByteArray host;
    host.reserve(parent.m_host.size() + sub.hostName.size() + 1);
    host = parent.m_host;
    if (!host.endsWith('/'))
        host += '/';
    host += sub.hostName;
    clearLevel(folder, host);

    const bool dotName = sub.hostName.startsWith('.');
    const bool opened = m_reader.openAt(parent.m_reader.fd(), sub.hostName.constData(), m_host);
    const win::DWORD attributes = opened ? win::HostDosAttributesOfOpenFile(m_reader.fd(), dotName)
                                         : win::HostDosAttributes(m_host.constData(), dotName);
    if (attributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM)) {
        m_reader.close();
        return false;
    }
    // A folder whose Windows path is too long cannot be listed; it is never cut to fit. Nor is a
    // folder entered again that a link leads back to.
    if (!opened || folder.size() > win::kMaxPathLength ||
        (sub.viaLink && (leadsBackToChain() || leadsOutside()))) {
        m_reader.close();
        return true;
    }
    readFolder();
    return true;
}

// Folders are listed by their entry type alone; files whatever their attributes, so their kind
// from the folder entry is all they cost.
void TFindFile::readFolder()
{
    while (m_reader.next()) {
        if (!m_reader.hasWindowsName())
            continue;
        switch (m_reader.kind()) {
        case win::HostEntryKind::Directory:
            m_subdirectories.push_back(Subdirectory{QString::fromUtf8(m_reader.name()),
                                                    QByteArray(m_reader.name()), m_reader.isLink()});
            break;
        case win::HostEntryKind::File: {
            QString name = QString::fromUtf8(m_reader.name());
            if (passes(name))
                m_files.append(std::move(name));
            break;
        }
        case win::HostEntryKind::Other:
            break;
        }
    }
}

bool TFindFile::passes(QStringView name) const
{
    if (m_filter->everything)
        return true;
    // The extension with its dot; none when the last dot is not in the name's last part.
    qsizetype dot = name.size();
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const QChar c = name[i];
        if (c == QLatin1Char('.')) {
            dot = i;
            break;
        }
        if (c == QLatin1Char(':'))
            break;
    }
    const QStringView extension = name.mid(dot);
    for (const QString &wanted : m_filter->extensions) {
        if (extension.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool TFindFile::startChild()
{
    const Subdirectory &sub = m_subdirectories[size_t(m_position)];
    if (!m_child) {
        m_child = std::make_unique<TFindFile>();
        m_child->m_parent = this;
    }
    m_child->m_extensions = m_extensions;
    m_child->m_filter = m_filter;
    m_child->m_relative = m_relative + sub.name + QLatin1Char('\\');
    const QString folder =
        m_folder.endsWith(QLatin1Char('\\')) ? m_folder + sub.name : m_folder + QLatin1Char('\\') + sub.name;
    return m_child->startBelow(*this, folder, sub);
}

bool TFindFile::identity(dev_t *device, ino_t *inode)
{
    if (!m_identityKnown) {
        m_identityKnown = true;
        struct stat st;
        m_identityValid = m_reader.isOpen() ? ::fstat(m_reader.fd(), &st) == 0
                                            : !m_host.isEmpty() && ::stat(m_host.constData(), &st) == 0;
        if (m_identityValid) {
            m_device = st.st_dev;
            m_inode = st.st_ino;
        }
    }
    *device = m_device;
    *inode = m_inode;
    return m_identityValid;
}

bool TFindFile::leadsOutside() const
{
    if (!m_filter || m_filter->insideOf.isEmpty())
        return false;
    const QString target = QFileInfo(QFile::decodeName(m_host)).canonicalFilePath();
    return !target.startsWith(m_filter->insideOf);
}

bool TFindFile::leadsBackToChain()
{
    dev_t device;
    ino_t inode;
    if (!identity(&device, &inode))
        return true; // cannot tell who it is: do not risk walking in circles
    for (TFindFile *level = m_parent; level; level = level->m_parent) {
        dev_t d;
        ino_t i;
        if (level->identity(&d, &i) && d == device && i == inode)
            return true;
    }
    return false;
}

QString TFindFile::NextDir()
{
    for (;;) {
        if (m_phase == 0) {
            if (m_position >= qsizetype(m_subdirectories.size())) {
                m_done = kDone;
                return QString();
            }
            if (!startChild()) {
                ++m_position; // hidden or system
                continue;
            }
            m_phase = 1;
            return m_relative + m_subdirectories[size_t(m_position)].name;
        }
        QString below = m_child->NextDir();
        if (m_child->m_done) {
            m_phase = 0;
            ++m_position;
            continue;
        }
        return below;
    }
}

QString TFindFile::NextFile()
{
    for (;;) {
        if (m_phase == 0) {
            if (m_position >= m_files.size()) {
                m_phase = 1;
                m_position = 0;
                m_childToStart = true;
                continue;
            }
            return m_relative + m_files[m_position++];
        }
        if (m_position >= qsizetype(m_subdirectories.size())) {
            m_done = kDone;
            return QString();
        }
        if (m_childToStart) {
            if (startChild())
                m_childToStart = false;
            else
                ++m_position; // hidden or system
            continue;
        }
        QString below = m_child->NextFile();
        if (!m_child->m_done)
            return below;
        ++m_position;
        m_childToStart = true;
    }
}
