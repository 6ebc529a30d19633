#include "help/helptopics.h"

#include <QHash>

namespace vestra {

namespace {

const QHash<QString, QString>& pages()
{
    static const QHash<QString, QString> map = {
        {QStringLiteral("introstart"), QStringLiteral("start.html")},
        {QStringLiteral("IntroConnect"), QStringLiteral("start.html")},
        {QStringLiteral("ConnectServer"), QStringLiteral("start.html")},
        {QStringLiteral("ServerPassword"), QStringLiteral("start.html")},
        {QStringLiteral("frmLogin"), QStringLiteral("start.html")},
        {QStringLiteral("Calendar"), QStringLiteral("schedule.html")},
        {QStringLiteral("CalMdag"), QStringLiteral("schedule.html")},
        {QStringLiteral("bookingform"), QStringLiteral("bookingform.html")},
        {QStringLiteral("Searchinfoform"), QStringLiteral("bookingform.html")},
        {QStringLiteral("fastgen"), QStringLiteral("series.html")},
        {QStringLiteral("vilkdatover"), QStringLiteral("series.html")},
        {QStringLiteral("alternatives"), QStringLiteral("series.html")},
        {QStringLiteral("alternativesV"), QStringLiteral("series.html")},
        {QStringLiteral("slettil"), QStringLiteral("series.html")},
        {QStringLiteral("sletgentagendeform"), QStringLiteral("series.html")},
        {QStringLiteral("gudløbover"), QStringLiteral("series.html")},
        {QStringLiteral("Searchform"), QStringLiteral("lists.html")},
        {QStringLiteral("myboo"), QStringLiteral("lists.html")},
        {QStringLiteral("Todays"), QStringLiteral("lists.html")},
        {QStringLiteral("TentBookings"), QStringLiteral("lists.html")},
        {QStringLiteral("ResManager"), QStringLiteral("resources.html")},
        {QStringLiteral("Resgroup"), QStringLiteral("resources.html")},
        {QStringLiteral("lokaliteter"), QStringLiteral("resources.html")},
        {QStringLiteral("resitemL"), QStringLiteral("resources.html")},
        {QStringLiteral("resitemLView"), QStringLiteral("resources.html")},
        {QStringLiteral("resitemLAD"), QStringLiteral("resources.html")},
        {QStringLiteral("ResitemA"), QStringLiteral("resources.html")},
        {QStringLiteral("ResitemAView"), QStringLiteral("resources.html")},
        {QStringLiteral("ResitemAD"), QStringLiteral("resources.html")},
        {QStringLiteral("UnavailableList"), QStringLiteral("resources.html")},
        {QStringLiteral("EditUnavail"), QStringLiteral("resources.html")},
        {QStringLiteral("Minkonto"), QStringLiteral("accounts.html")},
        {QStringLiteral("Personkonto"), QStringLiteral("accounts.html")},
        {QStringLiteral("PersonkontoAdd"), QStringLiteral("accounts.html")},
        {QStringLiteral("Gruppekonto"), QStringLiteral("accounts.html")},
        {QStringLiteral("Gruppetilk"), QStringLiteral("accounts.html")},
        {QStringLiteral("Kontoliste"), QStringLiteral("accounts.html")},
        {QStringLiteral("datobookingperiode"), QStringLiteral("reports.html")},
        {QStringLiteral("datoarkivperiodeht"), QStringLiteral("reports.html")},
        {QStringLiteral("datoarkivperiodeAC"), QStringLiteral("reports.html")},
        {QStringLiteral("Paramform"), QStringLiteral("options.html")},
        {QStringLiteral("Editdep"), QStringLiteral("options.html")},
        {QStringLiteral("EditFloorP"), QStringLiteral("options.html")},
        {QStringLiteral("Edithomeb"), QStringLiteral("options.html")},
        {QStringLiteral("Times"), QStringLiteral("options.html")},
        {QStringLiteral("Options"), QStringLiteral("options.html")},
        {QStringLiteral("About"), QStringLiteral("index.html")},
    };
    return map;
}

} // namespace

QString HelpPageForWindow(const QString& objectName)
{
    return pages().value(objectName, QString::fromLatin1(HelpStartPage));
}

QStringList HelpMappedWindows()
{
    return pages().keys();
}

QString HelpPageUrl(const QString& page)
{
    return QStringLiteral("qthelp://%1/%2/%3")
        .arg(QLatin1String(HelpNamespace), QLatin1String(HelpFolder), page);
}

} // namespace vestra
