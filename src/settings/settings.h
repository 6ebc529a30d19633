#pragma once
// The institution's settings: its one row of institutionsoplysninger, the
// session values the settings windows change at once, and the three small
// lookup lists (departments, floor plans, homebases).

#include "data/statements.h"
#include "db/database.h"
#include "session/session.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>

namespace vestra {

// The single row of institutionsoplysninger as a window edits it: read once,
// changed field by field, and written back with only the changed fields, so
// that two settings windows never overwrite each other's fields.
class InstitutionRow {
public:
    // Reads the first row; false (and error) when the file cannot be read.
    bool load(Database& bookingFile, QString* error = nullptr);
    bool isLoaded() const { return m_isLoaded; }

    QVariant value(const QString& field) const;
    void setValue(const QString& field, const QVariant& value);
    bool isDirty() const { return !m_dirty.isEmpty(); }

    // Writes the changed fields; a file whose row is missing gets it back.
    bool store(Database& bookingFile, QString* error = nullptr);

private:
    QHash<QString, QVariant> m_values; // lower-case field names
    QHash<QString, QVariant> m_loaded; // the values as read, to tell a real change
    QHash<QString, QString> m_names;   // lower-case -> name as the table writes it
    QStringList m_dirty;               // lower-case names, in order of change
    bool m_hadRow = false;
    bool m_isLoaded = false;
};

// What a date format choice puts into the stored format boxes.
struct DateFormatTexts {
    QString stored1; // dateformatstr1
    QString stored2; // dateformatstr2
    QString firstDay;
};

// A new date format number n: 0 is month-first with Sunday first, every
// other number day-first with Monday first. Sets the session's formats,
// first day and number, and moves the shown week onto the new first day.
DateFormatTexts ApplyDateFormat(Session& s, int n);

// The tax percentage typed in the options; nullopt while the text is not a
// number (empty while retyping, say), so the session keeps its last number.
std::optional<double> ParseTaxPercent(const QString& text);

// The six times of day in the order the opening-hours window copies them
// into the session; fields of institutionsoplysninger.
inline constexpr std::array<const char*, 6> kTimeFields = {"Åbntid",   "Luktid",     "Prrimstart",
                                                           "Primslut", "Skemastart", "Skemaslut"};

// Sets the session's six times (minutes) from the stored seconds, in the
// order of kTimeFields.
void ApplyOpeningHours(Session& s, const std::array<int, 6>& seconds);

// Times of day in the time editors: seconds since midnight within one day,
// shown as "hh:mm".
inline constexpr int kLastSecondOfDay = 24 * 3600 - 1;
QString TimeText(int seconds);
// "hh:mm" (or "h:mm") to seconds; nullopt for anything else.
std::optional<int> ParseTimeText(const QString& text);
// One step of a time editor with the caret at caret in "hh:mm": hours before
// the colon, minutes up to the end, seconds past it. The result stays within
// the day (no wrap at midnight).
int StepTime(int seconds, int caret, int steps);

// The three lookup lists of the parameters window.
enum class LookupKind { Department, FloorPlan, Homebase };

struct LookupInfo {
    QString window;  // objectName of the edit window
    QString caption; // its title
    QString table;   // table edited (lower case, for the table model)
    QString keyField;
    QString nameField;
    QString nameLabel;  // the edit window's label of the name
    QString listSource; // saved query the list shows
    QString chooseText; // said when Edit or Delete finds nothing chosen
};

const LookupInfo& Lookup(LookupKind kind);
Statement DeleteLookupStatement(LookupKind kind, int key);

// Reads a picture file for the logo; nullopt (and error) when it is not a
// picture the program can show and print.
std::optional<QByteArray> ReadLogoFile(const QString& path, QString* error = nullptr);

} // namespace vestra
