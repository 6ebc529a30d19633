#include "reports/reportcommon.h"

#include "platform/database.h"
#include "platform/reportdefinition.h"
#include "session/session.h"

namespace vestra {

QString InstitutionLine1(const Session& s)
{
    return s.InstitutionName + QStringLiteral(", ") + s.InstitutionAddress + QStringLiteral(", ")
           + s.InstitutionZip + u' ' + s.InstitutionCity;
}

QString InstitutionLine2(const Session& s)
{
    return QStringLiteral("Phone: ") + s.InstitutionPhone + QStringLiteral(", eMail: ")
           + s.InstitutionEmail;
}

void AddInstitutionFooter(ReportDefinition& def, const Session& s, const QString& firstName)
{
    ReportBand& footer = def.pageFooter;
    const qreal top = footer.height;
    const qreal width = def.contentWidth();
    footer.add(ReportItem::line({0, top + 1}, {width, top + 1}));
    footer.add(ReportItem::label(InstitutionLine1(s), {0, top + 2, width, 4.5})
                   .named(firstName)
                   .pointSize(8));
    footer.add(ReportItem::label(InstitutionLine2(s), {0, top + 6.5, width, 4.5})
                   .named(QStringLiteral("Cinfo2"))
                   .pointSize(8));
    footer.height = top + 11.5;
}

QImage LoadInstitutionLogo(Database& db)
{
    if (!db.isValid())
        return {};
    const QVariant bytes =
        db.scalar(QStringLiteral("SELECT Logopic FROM institutionsoplysninger LIMIT 1"));
    if (!bytes.isValid() || bytes.isNull())
        return {};
    return QImage::fromData(bytes.toByteArray());
}

void AddInstitutionLogo(ReportBand& band, const QImage& logo, const QRectF& rect,
                        Qt::Alignment alignment)
{
    if (logo.isNull())
        return;
    band.add(ReportItem::picture(logo, rect).named(QStringLiteral("Logorap")).aligned(alignment));
}

} // namespace vestra
