#pragma once
// The reliability tests run small in CI; VESTRA_RELIABILITY_SIZE=full runs
// them at full size.

#include <QByteArray>
#include <QtGlobal>

namespace vestra::test {

inline bool FullReliabilityRun()
{
    return qgetenv("VESTRA_RELIABILITY_SIZE") == QByteArray("full");
}

// small in CI, full on request
inline int ReliabilitySize(int small, int full)
{
    return FullReliabilityRun() ? full : small;
}

} // namespace vestra::test
