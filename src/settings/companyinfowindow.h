#pragma once
// The institution's parameters: its name, address, contact data, tax and
// bank identifiers and logo, and the lists of departments, floor plans and
// homebases the other windows offer. The details row is stored on closing;
// the lists are changed through their edit windows and deletions.

#include "settings/settings.h"

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace vestra {

class LookupEdit;

class CompanyInfoWindow : public QWidget {
    Q_OBJECT
public:
    explicit CompanyInfoWindow(QWidget* parent = nullptr);

    // The buttons of the three lists.
    void AddRow(LookupKind kind);
    void EditRow(LookupKind kind);
    void DeleteRow(LookupKind kind);
    void RefreshList(LookupKind kind);
    void ChangeLogo();

    QListWidget* list(LookupKind kind) const { return m_lists[static_cast<int>(kind)]; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* companyTab();
    QWidget* listTab(LookupKind kind, const QString& add, const QString& edit,
                     const QString& remove);
    QWidget* exitRow(QWidget* tab);
    void showLogo();
    LookupEdit* openEdit(LookupKind kind);

    InstitutionRow m_row;
    QTabWidget* m_tabs;
    QLabel* m_logo;
    std::array<QListWidget*, 3> m_lists{};
};

// Opened from the command bar; waits until closed.
CompanyInfoWindow* ShowCompanyInfoWindow(QWidget* owner);

} // namespace vestra
