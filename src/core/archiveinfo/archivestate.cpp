// Mapping of failures onto the Archiver's state codes.
#include "archivestate.h"

#include <cerrno>

namespace archiver {

StateCode stateForError(int error, FileStage stage)
{
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        return StateDiskFull;
    if (error == ENOMEM)
        return StateOutOfMemory;
    switch (stage) {
    case FileStage::OpenSource:
        if (error == ENOENT || error == ENOTDIR)
            return StateFileNotExists;
        return StateFileOpenError;
    case FileStage::ReadSource:
        return StateFileReadError;
    case FileStage::CreateTarget:
        if (error == EROFS)
            return StateDriveLocked;
        // The archive folder went away during the run. A file where a folder belongs (ENOTDIR)
        // is a file that can not be created.
        if (error == ENOENT)
            return StatePathNotFound;
        return StateFileCreateError;
    case FileStage::WriteTarget:
        if (error == EROFS)
            return StateDriveLocked;
        if (error == EIO)
            return StateBadMedia;
        return StateFileWriteError;
    case FileStage::Compress:
        return StateCompressionError;
    }
    return StateOtherError;
}

QString stateDescription(int code)
{
    switch (code) {
    case StateCorrect:
        return QStringLiteral("correct");
    case StateCantReach:
        return QStringLiteral("can not access the disk");
    case StateDriveNotReady:
        return QStringLiteral("drive is not ready");
    case StateDriveLocked:
        return QStringLiteral("the drive is locked");
    case StatePathNotFound:
        return QStringLiteral("path not found");
    case StateDiskFull:
        return QStringLiteral("disk is full");
    case StateFileOpenError:
        return QStringLiteral("can not open file");
    case StateNoMedia:
        return QStringLiteral("no media in drive");
    case StateBadMedia:
        return QStringLiteral("bad media in drive");
    case StateUserBreak:
        return QStringLiteral("stopped by the user");
    case StateBrokenArchive:
        return QStringLiteral("archive is not finished");
    case StateOutOfMemory:
        return QStringLiteral("out of memory");
    case StateFileCreateError:
        return QStringLiteral("can not create file");
    case StateFileWriteError:
        return QStringLiteral("can not write file");
    case StateOtherError:
        return QStringLiteral("other file error");
    case StateFileReadError:
        return QStringLiteral("can not read file");
    case StateCompressionError:
        return QStringLiteral("compression error");
    case StateFileNotExists:
        return QStringLiteral("file does not exist");
    default:
        return QStringLiteral("unknown state %1").arg(code);
    }
}

} // namespace archiver
