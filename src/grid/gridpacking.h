#pragma once
// Places the overlapping blocks of one schedule column side by side.

#include <QList>

namespace vestra {

struct PackItem {
    int id = 0;
    int start = 0; // minutes
    int end = 0;   // minutes, exclusive: a block ending at 9:00 does not meet one starting at 9:00
};

struct PackPlace {
    int id = 0;
    int lane = 0;  // 0-based position from the left within its cluster
    int lanes = 1; // lanes of the cluster the block belongs to
};

// One place per item, in the order of the input. Items that overlap, directly
// or through a chain of others, form a cluster sharing one lane count; each
// item takes the leftmost lane free at its start, so that a long block keeps
// its lane while shorter ones come and go beside it.
QList<PackPlace> PackColumn(const QList<PackItem>& items);

} // namespace vestra
