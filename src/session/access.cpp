#include "session/access.h"

#include "data/helpers.h"
#include "services/messages.h"
#include "session/session.h"

namespace vestra {

bool RequireAdmin()
{
    if (session().IsAdmin)
        return true;
    showMessage(QStringLiteral("Administrator Access Only!"), QStringLiteral("Access Message"),
                MsgIcon::Warning);
    return false;
}

bool MayActForAccount(int account)
{
    const Session& s = session();
    if (s.IsAdmin)
        return true;
    Database db = BookingFile();
    return MayActForAccount(db, account, s.LoginAccountId, s.IsAdmin);
}

bool IsGroupOwner(int kontoowner)
{
    return kontoowner == session().LoginAccountId;
}

} // namespace vestra
