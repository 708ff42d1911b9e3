// The state codes' keys and English texts.
#include "statetexts.h"

namespace archiver {

namespace {

struct StateText
{
    int code;
    const char *key;
    const char *english;
};

constexpr StateText kStateTexts[] = {
    {0, "NoErrorText", "Correct"},
    {1, "MessageCantReach", "Can not access the disk!"},
    {2, "MessageDriveNotReady", "Drive is not ready!"},
    {3, "MessageDriveLocked", "The drive is locked!"},
    {4, "MessagePathNotFound", "Path not found!"},
    {5, "MessageDiskFull", "Disk is full!"},
    {6, "MessageFileOpenError", "Can not open file!"},
    {7, "MessageNoMediainDriveError", "No media in drive!"},
    {8, "MessageBadMediainDriveError", "Bad media in drive!"},
    {9, "MessageUserBreak", "The user stop the archiving progress!"},
    {10, "MessageBrokenArchiv", "Archive is not finished yet!"},
    {101, "MessageOutOfMemory", "Out of memory!"},
    {102, "MessageFileCreateError", "Can not create file!"},
    {103, "MessageFileWriteError", "Can not write file!"},
    {104, "MessageOtherError", "Other file error!"},
    {105, "MessageFileReadError", "Can not read file!"},
    {106, "MessageCompressionError", "Compression Error!"},
    {107, "MessageFileNotExistsError", "File is not exists!"},
};

const StateText *find(int code)
{
    for (const StateText &entry : kStateTexts) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

} // namespace

QString stateTextKey(int code)
{
    const StateText *entry = find(code);
    return entry ? QString::fromLatin1(entry->key) : QString();
}

QString stateTextEnglish(int code)
{
    const StateText *entry = find(code);
    return entry ? QString::fromLatin1(entry->english) : QString();
}

} // namespace archiver
