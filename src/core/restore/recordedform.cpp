// Reading an archive's form record for the restore.
#include "recordedform.h"

#include "core/archiveinfo/archiveform.h"
#include "core/platform/paths.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace restore {

RecordedForm recordedForm(const QString &root)
{
    RecordedForm form;
    const QString host = win::HostPath(root);
    if (host.isEmpty())
        return form;
    const int fd = ::open(QFile::encodeName(host).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return form;
    archiver::FormRecord record;
    if (archiver::readFormRecord(fd, &record) == archiver::RecordRead::Present) {
        form.known = true;
        form.compressed = record.compressed;
        form.converting = record.converting;
    }
    ::close(fd);
    return form;
}

} // namespace restore
