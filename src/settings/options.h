#pragma once
// The options window: date format, time units, am/pm and 24-hour time,
// the tentative default, the archiving and delete delays and the daily
// backup, the tax, and what goes out to other programs (published calendars,
// CSV byte-order mark), and whether room panels show booking titles. Each
// change the session holds applies at once; the row is stored on closing.

#include "settings/settings.h"

#include <QWidget>

class QComboBox;
class QFormLayout;
class QSpinBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace vestra {

class FlagBox;

class Options : public QWidget {
    Q_OBJECT
public:
    explicit Options(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* calendarsTab();
    QWidget* archiveTab();
    QWidget* taxTab();
    QWidget* exchangeTab();
    QWidget* panelsTab();
    void addBackupRows(QFormLayout* form, QWidget* tab);
    void load();
    void connectEdits();
    void addTimeZoneRow(QFormLayout* form, QWidget* tab);
    void dateFormatChosen();
    void taxTyped(const QString& text);

    InstitutionRow m_row;
    bool m_loading = false;
    QTabWidget* m_tabs;
    QComboBox* m_dateFormat;
    QLineEdit* m_dfs1;
    QLineEdit* m_dfs2;
    QLineEdit* m_firstDay;
    QComboBox* m_timeUnits;
    FlagBox* m_ampm;
    FlagBox* m_military;
    FlagBox* m_tentative;
    QComboBox* m_arcDel;
    QComboBox* m_delDel;
    QLabel* m_delDelUnit;
    FlagBox* m_tax;
    QLineEdit* m_taxText;
    QLineEdit* m_publishFolder;
    FlagBox* m_csvBom;
    FlagBox* m_panelTitles;
    QLineEdit* m_backupFolder;
    QSpinBox* m_backupKeep;
};

// Opened from the command bar; waits until closed.
Options* ShowOptions(QWidget* owner);

} // namespace vestra
