// A TTreeList's nodes in depth-first order, and the tree as one line of text for comparing trees
// in tests: each node as "level:kind:text", joined by "|".
#pragma once

#include "core/archivelist/treelist.h"

#include <QStringList>

#include <vector>

inline std::vector<const TreeListNode *> allNodes(const TTreeList &list)
{
    std::vector<const TreeListNode *> nodes;
    std::vector<const TreeListNode *> pending;
    for (int i = list.topLevelCount() - 1; i >= 0; --i)
        pending.push_back(list.topLevelNode(i));
    while (!pending.empty()) {
        const TreeListNode *node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
    return nodes;
}

inline QString dumpTree(const TTreeList &list)
{
    QStringList out;
    for (const TreeListNode *node : allNodes(list))
        out << QStringLiteral("%1:%2:%3").arg(node->level()).arg(node->imageIndex()).arg(node->text());
    return out.join(QLatin1Char('|'));
}
