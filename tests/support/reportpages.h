#pragma once
// What tests read from a laid-out report's pages.

#include "platform/reportlayout.h"

namespace vestra::test {

// The first page on which a group heading is the last band above the page
// footer, or -1.
inline int pageEndingInAHeading(const LaidOutReport& r)
{
    for (int p = 0; p < r.pageCount(); ++p) {
        BandKind last = BandKind::PageHeader;
        for (const PlacedBand& b : r.pages[p].bands)
            if (b.kind != BandKind::PageFooter && b.kind != BandKind::PageHeader)
                last = b.kind;
        if (last == BandKind::GroupHeader)
            return p;
    }
    return -1;
}

} // namespace vestra::test
