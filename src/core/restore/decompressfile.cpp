// DecompressFile: one bzip2 file back into the file it was made from, streamed in fixed chunks.
#include "decompressfile.h"

#include "pendingfile.h"

int DecompressFile(const QString &source, const QString &target)
{
    return PendingFile::decompress(source, target)->commit();
}
