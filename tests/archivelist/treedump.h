// A TTreeList as one line of text, for comparing trees in tests: each node in depth-first order
// as "level:kind:text", joined by "|".
#pragma once

#include "core/archivelist/treelist.h"

#include <QStringList>

inline QString dumpTree(const TTreeList &list)
{
    QStringList out;
    std::vector<const TreeListNode *> pending;
    for (int i = list.topLevelCount() - 1; i >= 0; --i)
        pending.push_back(list.topLevelNode(i));
    while (!pending.empty()) {
        const TreeListNode *node = pending.back();
        pending.pop_back();
        out << QStringLiteral("%1:%2:%3").arg(node->level()).arg(node->imageIndex()).arg(node->text());
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
    return out.join(QLatin1Char('|'));
}
