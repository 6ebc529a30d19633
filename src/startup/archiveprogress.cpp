#include "startup/archiveprogress.h"

#include "session/archiving.h"

namespace vestra {

ArchiveProgressDialog::ArchiveProgressDialog(int showAfterMs)
    : ProgressWindow({QStringLiteral("Archiving"), QStringLiteral("Archiving past bookings…"),
                      QStringLiteral("bookings gone through"), QStringLiteral("ArchiveProgress")},
                     kArchiveStretchRows, showAfterMs)
{
}

} // namespace vestra
