#pragma once
// The small edit window for one resource item's unavailable period, opened
// from the list of unavailable resources, and the rules it applies.

#include "db/database.h"

#include <QDate>
#include <QString>
#include <QWidget>
#include <optional>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

namespace vestra {

// --- rules ---

enum class PeriodEnd { Start, End };

struct PeriodCheck {
    QDate start;
    QDate end;
    bool corrected = false; // the user is told "End date must exceed start date!"
};

// After the user changed one end of a period: an end before the start is
// moved to 14 days after the start, a start after the end to 14 days before
// the end. Equal dates stand.
PeriodCheck CheckPeriod(const QDate& start, const QDate& end, PeriodEnd changed);

// The fields of a lokale row this window shows; the dates are day numbers,
// empty when the row holds none.
struct UnavailRecord {
    int lokalenr = 0;
    QString Lokalenavn;
    bool inaktiv = false;
    std::optional<int> inakstart;
    std::optional<int> inakslut;
};

std::optional<UnavailRecord> LoadUnavail(Database& bookingFile, int lokalenr);
// Writes inaktiv, inakstart and inakslut of the item; the rest of the row
// is left as other windows may have changed it meanwhile. Given the record
// as it was loaded, only the fields that differ from it are written, so that
// a period changed on another workstation is not put back by a window that
// merely showed it.
bool SaveUnavail(Database& bookingFile, const UnavailRecord& record,
                 const UnavailRecord* loaded = nullptr);

// --- window ---

class UnavailabilityEditor : public QWidget {
    Q_OBJECT
public:
    explicit UnavailabilityEditor(QWidget* parent = nullptr);

    // Writes the record shown (if any) and shows the item; false when the
    // item is not in lokale or the shown record could not be written,
    // leaving the window as it was.
    bool FindItem(int lokalenr);
    int currentItem() const { return m_record ? m_record->lokalenr : 0; }

signals:
    // After the record was written on closing.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void unavailableClicked(bool checked);
    void dateChanged(PeriodEnd changed);
    void setDates(const QDate& start, const QDate& end);
    void setDatesEditable(bool editable);
    bool writeRecord();

    QLineEdit* m_number;
    QLineEdit* m_name;
    QCheckBox* m_inaktiv;
    QDateEdit* m_start;
    QDateEdit* m_end;
    QPushButton* m_ok;
    std::optional<UnavailRecord> m_record;
    QDate m_shownStart; // what the fields showed when the record was loaded,
    QDate m_shownEnd;   // to tell an untouched empty date from a chosen one
    bool m_loading = false;
};

} // namespace vestra
