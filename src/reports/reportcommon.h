#pragma once
// What every printed report shares: the institution's name and contact
// lines in the page footer, and the institution's logo.

#include <QImage>
#include <QRectF>
#include <QString>

namespace vestra {

class Database;
struct ReportBand;
class ReportDefinition;
struct Session;

// "Name, Address, Zip City" and "Phone: ..., eMail: ..." from the session;
// a part that is not set is left out with its comma.
QString InstitutionLine1(const Session& s);
QString InstitutionLine2(const Session& s);

// Adds a rule, the two institution lines and "Page n of m" (item "PageNo")
// below whatever the page footer already holds, growing the footer to fit.
// The first line is named firstName ("Cinfo1"; one receipt spells it
// "CInfo1"), the second "Cinfo2".
void AddInstitutionFooter(ReportDefinition& def, const Session& s,
                          const QString& firstName = QStringLiteral("Cinfo1"));

// The picture in institutionsoplysninger.Logopic (first row). A null image
// when there is none, it does not decode, or the table cannot be read: a
// report without a logo still prints.
QImage LoadInstitutionLogo(Database& db);

// Places the logo (item "Logorap") in a band, scaled into rect and kept in
// proportion. Nothing is placed for a null image. The picture is read once
// per report by the caller, not once per band instance.
void AddInstitutionLogo(ReportBand& band, const QImage& logo, const QRectF& rect,
                        Qt::Alignment alignment = Qt::AlignRight | Qt::AlignTop);

} // namespace vestra
