#pragma once
// The daily archiving run on screen: a progress window shows how far it has
// come, at once for a large run, else once it has taken longer than a
// moment, and its Cancel takes the whole run back (the next start tries again).

#include "widgets/progresswindow.h"

namespace vestra {

class ArchiveProgressDialog : public ProgressWindow {
public:
    explicit ArchiveProgressDialog(int showAfterMs = 500);
};

} // namespace vestra
