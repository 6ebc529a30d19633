#pragma once
// The fixed statements the program runs, built in one place so that tests
// can check them. Values are bound, never spliced into the text.

#include <QString>
#include <QVariantList>

namespace vestra {

struct Statement {
    QString sql;
    QVariantList binds;
};

// Archiving: copy the bookings dated from lower (included) to upper that the
// archive does not hold yet (or holds as they were before a change), delete
// those dated before deleteBefore (archivedOnly: only those the archive
// holds), and record the run's date (putting its row back when it is
// missing). A run over a long backlog goes a stretch of days at a time.
Statement ArchiveCopyStatement(int lower, int upper);
Statement ArchiveDeleteStatement(int deleteBefore, bool archivedOnly);
// Copy and delete as above, for the bookings numbered from fromNumber
// (included) to toNumber, read in their numbers' order: a backlog of most of
// the file goes through the table once instead of by the date index.
// Without archiveHoldsAny (the archive holds no booking numbered in that
// range) the copy skips its check for bookings archived already.
Statement ArchiveCopyByNumberStatement(int upper, qint64 fromNumber, qint64 toNumber,
                                       bool archiveHoldsAny = true);
// Whether the archive holds any booking numbered from fromNumber to toNumber.
Statement ArchiveHoldsNumbersStatement(qint64 fromNumber, qint64 toNumber);
Statement ArchiveDeleteByNumberStatement(int deleteBefore, bool archivedOnly, qint64 fromNumber,
                                         qint64 toNumber);
Statement ArchiveDateStatement(const QDate& today);
// The archive follows a booking moved or changed after it was archived: a
// copy carries the change counter of the version it was made from, and is
// made again from a newer one. A copy of the same number that the counter
// cannot tie to the booking is another booking's (a backup restored over
// newer work reuses numbers) and stays. ArchiveCopySql copies the bookings b
// that match where (without checkArchive the caller knows the archive holds
// none of them); ArchiveCopyCurrent is the condition on a live row (named
// live) that the archive holds it as it is now.
QString ArchiveCopySql(const QString& where, bool checkArchive = true);
QString ArchiveCopyCurrent(const QString& live);
// A booking moved after it was archived to a day not yet due leaves the
// archive until that day is archived: period reports must not count it on
// the day it left. Only copies whose live row may still exist (made on or
// after deleteBefore) are looked at, and only a newer counter withdraws one.
QString ArchiveWithdrawSql(const QString& deleteBefore, const QString& copyBefore);

// Deletions of the settings and series windows.
Statement DeleteDepartmentStatement(int depnr);
Statement DeleteFloorPlanStatement(int id);
Statement DeleteHomebaseStatement(int id);
Statement DeleteCollidingCandidatesStatement();
Statement DeleteCandidateStatement(int id);
Statement DeleteAllCandidatesStatement();
Statement DeleteAlternativesStatement();
// Bookings of series gennr dated from..to, both ends included.
Statement DeleteSeriesRangeStatement(int gennr, int fromDay, int toDay);

// The 26 fields the archive keeps (Tentative, tax and bvpris stay behind).
extern const char* const kArchivedFields;

} // namespace vestra
