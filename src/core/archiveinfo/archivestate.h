// The state codes the Archiver reports per archive side (its State setting), and how a failed
// file operation maps onto them.
#pragma once

#include <QString>

namespace archiver {

enum StateCode : int {
    StateCorrect = 0,
    StateCantReach = 1,
    StateDriveNotReady = 2,
    StateDriveLocked = 3,
    StatePathNotFound = 4,
    StateDiskFull = 5,
    StateFileOpenError = 6,
    StateNoMedia = 7,
    StateBadMedia = 8,
    StateUserBreak = 9,
    StateBrokenArchive = 10,
    StateOutOfMemory = 101,
    StateFileCreateError = 102,
    StateFileWriteError = 103,
    StateOtherError = 104,
    StateFileReadError = 105,
    StateCompressionError = 106,
    StateFileNotExists = 107,
};

// What the Archiver was doing when an errno came back; the same errno means different things
// for a source being read and an archived copy being written.
enum class FileStage {
    OpenSource,
    ReadSource,
    CreateTarget,
    WriteTarget,
    Compress,
};

// The state code that fits an errno met at a stage. Disk full and out of memory win whatever the
// stage; a missing source is "file does not exist", a source that cannot be opened otherwise is
// "can not open file".
StateCode stateForError(int error, FileStage stage);

// A short English description for the log.
QString stateDescription(int code);

} // namespace archiver
