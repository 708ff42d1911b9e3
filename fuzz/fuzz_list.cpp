// Fuzz target: the archive list reader (afiles.lst bytes into the tree), and the writer over what
// was read: a tree that was read is written, and what was written reads back to the same bytes.
#include "fuzzsupport.h"

#include "core/archivelist/listerror.h"
#include "core/archivelist/treelist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    TTreeList list;
    try {
        list.LoadFromBytes(fuzz::bytesOf(data, size));
    } catch (const ListFileError &) {
        // The nodes read before the damaged line stay and must still be sound.
    }
    list.nodeCount();
    QByteArray written;
    try {
        written = list.ListFileBytes();
    } catch (const ListFileError &) {
        return 0; // a text the code page cannot hold is refused, not written
    }
    TTreeList again;
    again.LoadFromBytes(written); // the writer's own output must read without an error
    if (again.ListFileBytes() != written || again.nodeCount() != list.nodeCount())
        std::abort();
    return 0;
}
