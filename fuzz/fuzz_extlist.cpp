// Fuzz target: the ext.lst reader over a file of arbitrary bytes, and the writer over what it read.
#include "fuzzsupport.h"

#include "core/archivelist/extlistfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString host = fuzz::setUp() + QStringLiteral("/ext.lst");
    static const QString path = fuzz::windowsPath(host);
    fuzz::writeFile(host, data, size);
    std::optional<QStringList> entries;
    try {
        entries = readExtList(path);
    } catch (const ListFileError &) {
        return 0;
    }
    if (!entries)
        std::abort(); // the file exists
    // Entries that were read can be written again and read back unchanged, unless the writer
    // refuses one before writing anything.
    try {
        writeExtList(path, *entries);
    } catch (const ListFileError &) {
        return 0;
    }
    if (readExtList(path) != entries)
        std::abort();
    return 0;
}
