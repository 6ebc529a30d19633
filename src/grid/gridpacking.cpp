#include "grid/gridpacking.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace vestra {

QList<PackPlace> PackColumn(const QList<PackItem>& items)
{
    const int n = static_cast<int>(items.size());
    QList<PackPlace> places(n);

    // Visit by start; among equal starts the longer block first, so it gets the
    // left lane. The index breaks the remaining ties for a stable result.
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const PackItem& x = items[a];
        const PackItem& y = items[b];
        if (x.start != y.start)
            return x.start < y.start;
        if (x.end != y.end)
            return x.end > y.end;
        return a < b;
    });

    std::vector<int> laneEnds; // end of the last block in each lane of the open cluster
    std::vector<int> cluster;  // input indexes of the open cluster
    int clusterEnd = 0;

    auto closeCluster = [&] {
        const int lanes = static_cast<int>(laneEnds.size());
        for (int i : cluster)
            places[i].lanes = lanes;
        cluster.clear();
        laneEnds.clear();
    };

    for (int i : order) {
        const PackItem& item = items[i];
        const int end = std::max(item.end, item.start);
        if (!cluster.empty() && item.start >= clusterEnd)
            closeCluster();
        int lane = 0;
        while (lane < static_cast<int>(laneEnds.size()) && laneEnds[lane] > item.start)
            ++lane;
        if (lane == static_cast<int>(laneEnds.size()))
            laneEnds.push_back(end);
        else
            laneEnds[lane] = end;
        places[i] = {item.id, lane, 1};
        clusterEnd = cluster.empty() ? end : std::max(clusterEnd, end);
        cluster.push_back(i);
    }
    closeCluster();
    return places;
}

} // namespace vestra
