#include "reports/reportcommon.h"

#include "db/database.h"
#include "report/reportdefinition.h"
#include "session/session.h"

namespace vestra {

namespace {

// The non-empty parts, joined by ", ": an unset part leaves no stray comma.
QString joined(const QStringList& parts)
{
    QStringList set;
    for (const QString& part : parts)
        if (!part.trimmed().isEmpty())
            set << part.trimmed();
    return set.join(QStringLiteral(", "));
}

} // namespace

QString InstitutionLine1(const Session& s)
{
    return joined({s.InstitutionName, s.InstitutionAddress,
                   s.InstitutionZip.trimmed() + u' ' + s.InstitutionCity.trimmed()});
}

QString InstitutionLine2(const Session& s)
{
    return joined({s.InstitutionPhone.trimmed().isEmpty()
                       ? QString()
                       : QStringLiteral("Phone: ") + s.InstitutionPhone.trimmed(),
                   s.InstitutionEmail.trimmed().isEmpty()
                       ? QString()
                       : QStringLiteral("eMail: ") + s.InstitutionEmail.trimmed()});
}

void AddInstitutionFooter(ReportDefinition& def, const Session& s, const QString& firstName)
{
    ReportBand& footer = def.pageFooter;
    const qreal top = footer.height;
    const qreal width = def.contentWidth();
    // The page count stands at the right, clear of the institution's lines.
    constexpr qreal pageWidth = 32;
    footer.add(ReportItem::line({0, top + 1}, {width, top + 1}));
    footer.add(ReportItem::label(InstitutionLine1(s), {0, top + 2, width - pageWidth, 4.5})
                   .named(firstName)
                   .pointSize(8));
    footer.add(ReportItem::label(InstitutionLine2(s), {0, top + 6.5, width - pageWidth, 4.5})
                   .named(QStringLiteral("Cinfo2"))
                   .pointSize(8));
    footer.add(ReportItem::pageNumber({width - pageWidth, top + 2, pageWidth, 4.5})
                   .named(QStringLiteral("PageNo"))
                   .alignedRight()
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
