#include "settings/options.h"

#include "exchange/calendar.h"
#include "forms/fieldeditors.h"
#include "services/filedialogs.h"
#include "services/messages.h"
#include "session/backup.h"
#include "widgets/accessibility.h"
#include "widgets/windowregistry.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeZone>
#include <QVBoxLayout>
#include <QValidator>
#include <functional>
#include <memory>

namespace vestra {

namespace {

QString name(const char* n)
{
    return QString::fromUtf8(n);
}

// Fills a pick list from a lookup table: the shown text and the stored value.
void fillChoices(QComboBox* combo, Database& db, const QString& sql,
                 const std::function<QString(const QVariant& shown)>& text = {})
{
    combo->clear();
    auto q = db.query(sql);
    while (q && q->next())
        combo->addItem(text ? text(q->value(0)) : q->value(0).toString(), q->value(1));
}

// Shows the stored value; one the list does not offer is added with the
// text unlisted gives it (its number by default), so that opening the
// window does not change it.
void selectChoice(QComboBox* combo, const QVariant& stored,
                  const std::function<QString(int)>& unlisted = {})
{
    if (stored.isNull()) {
        combo->setCurrentIndex(-1);
        return;
    }
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemData(i).toInt() == stored.toInt()) {
            combo->setCurrentIndex(i);
            return;
        }
    combo->addItem(unlisted ? unlisted(stored.toInt()) : QString::number(stored.toInt()),
                   stored.toInt());
    combo->setCurrentIndex(combo->count() - 1);
}

// The first day of the week is "0" (Sunday) or "1" (Monday); an emptied box
// gets back the value it had when left.
class FirstDayValidator : public QValidator {
public:
    FirstDayValidator(std::function<QString()> current, QObject* parent)
        : QValidator(parent), m_current(std::move(current))
    {
    }
    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        return input == QLatin1String("0") || input == QLatin1String("1") ? Acceptable : Invalid;
    }
    void fixup(QString& input) const override { input = m_current(); }

private:
    std::function<QString()> m_current;
};

QComboBox* makeCombo(const QString& objectName, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(objectName);
    return combo;
}

FlagBox* makeFlag(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* box = new FlagBox(caption, parent);
    box->setObjectName(objectName);
    return box;
}

QLineEdit* makeText(const QString& objectName, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

// A pick list with its unit and a hint beside it.
QWidget* withUnit(QWidget* field, QLabel* unit, const QString& hint)
{
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(field);
    h->addWidget(unit);
    h->addSpacing(12);
    h->addWidget(new QLabel(hint));
    h->addStretch();
    return row;
}

} // namespace

Options::Options(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Options"));
    CloseOnEscape(this);
    setWindowTitle(QStringLiteral("Vestra - Options"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setAccessibleName(QStringLiteral("Option pages"));
    m_tabs->addTab(calendarsTab(), QStringLiteral("Calendars"));
    m_tabs->addTab(archiveTab(), QStringLiteral("Archive"));
    m_tabs->addTab(taxTab(), QStringLiteral("Tax"));
    m_tabs->addTab(exchangeTab(), QStringLiteral("Exchange"));
    m_tabs->addTab(panelsTab(), QStringLiteral("Panels"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    load();
    connectEdits();
}

QWidget* Options::calendarsTab()
{
    auto* tab = new QWidget;
    m_dateFormat = makeCombo(QStringLiteral("DateFormat"), tab);
    m_dfs1 = makeText(QStringLiteral("DFS1"), tab);
    m_dfs2 = makeText(QStringLiteral("DFS2"), tab);
    m_firstDay = makeText(QStringLiteral("FD"), tab);
    m_firstDay->setMaxLength(1);
    m_firstDay->setMaximumWidth(40);
    m_firstDay->setValidator(new FirstDayValidator(
        [this] { return m_row.value(QStringLiteral("FirstDay")).toString(); }, m_firstDay));
    m_timeUnits = makeCombo(QStringLiteral("Timeunits"), tab);
    m_ampm = makeFlag(QStringLiteral("CheckAmPm"), QStringLiteral("Include Am/Pm"), tab);
    m_military =
        makeFlag(QStringLiteral("CheckMilitary"), QStringLiteral("Use Military Time"), tab);
    m_tentative = makeFlag(QStringLiteral("CheckTent"),
                           QStringLiteral("All bookings tentative until confirmed"), tab);

    auto* form = new QFormLayout(tab);
    form->addRow(QStringLiteral("Date format"), m_dateFormat);
    form->addRow(QStringLiteral("Dates in windows:"), m_dfs1);
    form->addRow(QStringLiteral("Dates in schedules:"), m_dfs2);
    form->addRow(QStringLiteral("First day of week:"), m_firstDay);
    form->addRow(QStringLiteral("Time Units"), m_timeUnits);
    form->addRow(m_ampm);
    form->addRow(m_military);
    form->addRow(m_tentative);
    return tab;
}

QWidget* Options::archiveTab()
{
    auto* tab = new QWidget;
    m_arcDel = makeCombo(QStringLiteral("ArcDelCombo"), tab);
    m_delDel = makeCombo(QStringLiteral("DelDelCombo"), tab);
    m_arcDel->setAccessibleName(QStringLiteral("Archiving Delay in days"));
    m_delDel->setAccessibleName(QStringLiteral("Delete Delay"));
    auto* form = new QFormLayout(tab);
    m_delDelUnit = new QLabel(QStringLiteral("years"));
    m_delDelUnit->setObjectName(QStringLiteral("DelDelUnit"));
    form->addRow(QStringLiteral("Archiving Delay:"),
                 withUnit(m_arcDel, new QLabel(QStringLiteral("days")),
                          QStringLiteral("(3 days recommended)")));
    form->addRow(QStringLiteral("Delete Delay"),
                 withUnit(m_delDel, m_delDelUnit, QStringLiteral("(1½ years recommended)")));
    addBackupRows(form, tab);
    return tab;
}

// The daily run copies the booking file into this folder before it archives.
void Options::addBackupRows(QFormLayout* form, QWidget* tab)
{
    m_backupFolder = makeText(QStringLiteral("BackupFolder"), tab);
    m_backupFolder->setPlaceholderText(QStringLiteral("(no daily backup)"));
    auto* browse = new QPushButton(QStringLiteral("Browse…"), tab);
    browse->setObjectName(QStringLiteral("BackupFolderBrowse"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const FileChoice folder = fileDialogs().chooseFolder(
            QStringLiteral("Daily Backup to Folder"), m_backupFolder->text().trimmed());
        if (!folder.chosen)
            return;
        m_backupFolder->setText(QDir::toNativeSeparators(folder.fullPath));
        emit m_backupFolder->editingFinished();
    });
    m_backupKeep = new QSpinBox(tab);
    m_backupKeep->setObjectName(QStringLiteral("BackupKeep"));
    m_backupKeep->setRange(1, 365);
    auto* row = new QHBoxLayout;
    row->addWidget(m_backupFolder, 1);
    row->addWidget(browse);
    // Rows of a layout have no label buddy to lend a screen reader a name.
    m_backupFolder->setAccessibleName(QStringLiteral("Daily backup to folder"));
    m_backupKeep->setAccessibleName(QStringLiteral("Keep the last backups"));
    form->addRow(QStringLiteral("Daily backup to folder"), row);
    form->addRow(QStringLiteral("Keep the last"),
                 withUnit(m_backupKeep, new QLabel(QStringLiteral("backups")),
                          QStringLiteral("(taken at the first start of each day)")));
}

QWidget* Options::taxTab()
{
    auto* tab = new QWidget;
    m_tax = makeFlag(QStringLiteral("Checktax"), QStringLiteral("Include tax"), tab);
    m_taxText = makeText(QStringLiteral("Taxtext"), tab);
    m_taxText->setMaximumWidth(90);
    SetNumberField(m_taxText, QStringLiteral("Tax %"), false);
    auto* form = new QFormLayout(tab);
    form->addRow(m_tax);
    form->addRow(QStringLiteral("Tax %:"), m_taxText);
    return tab;
}

QWidget* Options::exchangeTab()
{
    auto* tab = new QWidget;
    m_publishFolder = makeText(QStringLiteral("PublishFolder"), tab);
    m_publishFolder->setPlaceholderText(QStringLiteral("(not published)"));
    m_publishFolder->setAccessibleName(QStringLiteral("Publish folder"));
    m_csvBom = makeFlag(QStringLiteral("CheckCsvBom"),
                        QStringLiteral("Byte-order mark in CSV files"), tab);
    // The folder may be typed (a share's path) or chosen.
    auto* browse = new QPushButton(QStringLiteral("Browse…"), tab);
    browse->setObjectName(QStringLiteral("PublishFolderBrowse"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const FileChoice folder = fileDialogs().chooseFolder(
            QStringLiteral("Publish Calendars to Folder"), m_publishFolder->text().trimmed());
        if (!folder.chosen)
            return;
        m_publishFolder->setText(QDir::toNativeSeparators(folder.fullPath));
        emit m_publishFolder->editingFinished();
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_publishFolder, 1);
    folderRow->addWidget(browse);
    auto* form = new QFormLayout(tab);
    form->addRow(QStringLiteral("Publish calendars to folder"), folderRow);
    form->addRow(new QLabel(QStringLiteral("One calendar file per item and per type, kept up to "
                                           "date for calendar programs to subscribe to."),
                            tab));
    form->addRow(m_csvBom);
    addTimeZoneRow(form, tab);
    return tab;
}

// Room panels and lobby boards hang where anyone passing reads them.
QWidget* Options::panelsTab()
{
    auto* tab = new QWidget;
    m_panelTitles = makeFlag(QStringLiteral("CheckPanelTitles"),
                             QStringLiteral("Panels show booking titles"), tab);
    auto* form = new QFormLayout(tab);
    form->addRow(m_panelTitles);
    form->addRow(new QLabel(QStringLiteral("When off, panels and boards show \"Booked\" and the "
                                           "times only, without titles or accounts."),
                            tab));
    return tab;
}

void Options::addTimeZoneRow(QFormLayout* form, QWidget* tab)
{
    // The institution's zone is the store's, written at once: every
    // workstation and the publishing server write calendars in it.
    auto* zone = new QComboBox(tab);
    zone->setObjectName(QStringLiteral("TimeZone"));
    zone->setEditable(true);
    zone->setInsertPolicy(QComboBox::NoInsert);
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds())
        zone->addItem(QString::fromUtf8(id));
    Database db = BookingFile();
    if (const auto current = StoreZone(db, nullptr))
        zone->setCurrentText(QString::fromUtf8(*current));
    auto shown = std::make_shared<QString>(zone->currentText());
    const auto apply = [this, zone, shown] {
        const QString id = zone->currentText().trimmed();
        if (id == *shown)
            return;
        Database store = BookingFile();
        QString error;
        if (!SetStoreZone(store, id.toUtf8(), &error)) {
            zone->setCurrentText(*shown);
            showMessage(error, QStringLiteral("Time Zone"), MsgIcon::Warning);
            return;
        }
        *shown = id;
    };
    connect(zone, &QComboBox::activated, this, apply);
    connect(zone->lineEdit(), &QLineEdit::editingFinished, this, apply);
    zone->setAccessibleName(QStringLiteral("Time zone of the institution"));
    zone->lineEdit()->setAccessibleName(QStringLiteral("Time zone of the institution"));
    form->addRow(QStringLiteral("Time zone of the institution"), zone);
    form->addRow(new QLabel(QStringLiteral("Calendars give the bookings' times in this zone, "
                                           "wherever they are written."),
                            tab));
}

void Options::load()
{
    Database db = BookingFile();
    QString error;
    if (!m_row.load(db, &error)) {
        showMessage(QStringLiteral("The settings could not be read:\n") + error,
                    QStringLiteral("Error"), MsgIcon::Critical);
        setEnabled(false);
        return;
    }
    m_loading = true;
    fillChoices(m_dateFormat, db,
                QStringLiteral("SELECT Formatname, Dateformatno FROM Valgformat"));
    fillChoices(m_timeUnits, db, QStringLiteral("SELECT unittext, unitnr FROM Valgunits"));
    fillChoices(m_arcDel, db, QStringLiteral("SELECT arcdel, arcdel FROM Valgarcdel"));
    fillChoices(m_delDel, db, QStringLiteral("SELECT deldelY, deldelDays FROM Valgdeldel"),
                [](const QVariant& years) { return QLocale().toString(years.toDouble()); });

    selectChoice(m_dateFormat, m_row.value(QStringLiteral("dateformatnr")));
    selectChoice(m_timeUnits, m_row.value(QStringLiteral("Timeunits")));
    selectChoice(m_arcDel, m_row.value(QStringLiteral("arcdel")));
    // The list offers years; a delay stored in days that is not one of them
    // shows as its days, without the years beside it.
    const int listedDelays = m_delDel->count();
    selectChoice(m_delDel, m_row.value(QStringLiteral("deldel")),
                 [](int days) { return QStringLiteral("%1 days").arg(days); });
    const auto showUnit = [this, listedDelays] {
        m_delDelUnit->setVisible(m_delDel->currentIndex() < listedDelays);
    };
    showUnit();
    connect(m_delDel, &QComboBox::currentIndexChanged, this, showUnit);
    m_dfs1->setText(m_row.value(QStringLiteral("dateformatstr1")).toString());
    m_dfs2->setText(m_row.value(QStringLiteral("dateformatstr2")).toString());
    m_firstDay->setText(m_row.value(QStringLiteral("FirstDay")).toString());
    m_ampm->setValue(m_row.value(QStringLiteral("ampm")));
    m_military->setValue(m_row.value(QStringLiteral("military")));
    m_tentative->setValue(m_row.value(QStringLiteral("Tentative")));
    m_tax->setValue(m_row.value(QStringLiteral("tax")));
    const QVariant pct = m_row.value(QStringLiteral("taxpct"));
    m_taxText->setText(pct.isNull() ? QString() : QLocale().toString(pct.toDouble()));
    m_publishFolder->setText(m_row.value(QStringLiteral("publishfolder")).toString());
    m_csvBom->setValue(m_row.value(QStringLiteral("csvbom")));
    m_panelTitles->setValue(m_row.value(QStringLiteral("paneltitles")));
    m_backupFolder->setText(m_row.value(QStringLiteral("backupfolder")).toString());
    const int keep = m_row.value(QStringLiteral("backupkeep")).toInt();
    m_backupKeep->setValue(keep > 0 ? keep : kDefaultBackupsKept);
    m_loading = false;
}

void Options::connectEdits()
{
    // Each edit goes into the row; the ones the session holds also go there.
    auto onText = [this](QLineEdit* edit, const char* field) {
        connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            if (!m_loading)
                m_row.setValue(name(field), text);
        });
    };
    onText(m_dfs1, "dateformatstr1");
    onText(m_dfs2, "dateformatstr2");
    // Only a whole first day goes into the row, never a box emptied on the way.
    connect(m_firstDay, &QLineEdit::textChanged, this, [this] {
        if (!m_loading && m_firstDay->hasAcceptableInput())
            m_row.setValue(QStringLiteral("FirstDay"), m_firstDay->text());
    });

    auto onFlag = [this](FlagBox* box, const char* field, bool Session::*target) {
        connect(box, &QCheckBox::toggled, this, [this, box, field, target](bool checked) {
            if (m_loading)
                return;
            m_row.setValue(name(field), box->value());
            if (target)
                session().*target = checked;
        });
    };
    onFlag(m_ampm, "ampm", &Session::ShowAmPm);
    onFlag(m_military, "military", &Session::MilitaryTime);
    onFlag(m_tentative, "Tentative", &Session::TentativeDefault);
    onFlag(m_tax, "tax", &Session::TaxEnabled);
    onFlag(m_csvBom, "csvbom", nullptr);
    onFlag(m_panelTitles, "paneltitles", nullptr);
    onText(m_publishFolder, "publishfolder");
    onText(m_backupFolder, "backupfolder");
    connect(m_backupKeep, &QSpinBox::valueChanged, this, [this](int keep) {
        if (!m_loading)
            m_row.setValue(QStringLiteral("backupkeep"), keep);
    });
    // A backup that would fail every day is said at once.
    connect(m_backupFolder, &QLineEdit::editingFinished, this, [this] {
        const QString folder = m_backupFolder->text().trimmed();
        if (!folder.isEmpty() && !QFileInfo(folder).isDir())
            showMessage(QStringLiteral("The folder \"%1\" does not exist.").arg(folder),
                        QStringLiteral("Daily Backup"), MsgIcon::Warning);
    });
    // A folder that is not there is said at once; calendars go nowhere until it is.
    connect(m_publishFolder, &QLineEdit::editingFinished, this, [this] {
        const QString folder = m_publishFolder->text().trimmed();
        if (!folder.isEmpty() && !QFileInfo(folder).isDir())
            showMessage(QStringLiteral("The folder \"%1\" does not exist.").arg(folder),
                        QStringLiteral("Publish Calendars"), MsgIcon::Warning);
    });

    auto onChoice = [this](QComboBox* combo, const char* field, std::function<void(int)> apply) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, field, apply] {
            if (m_loading || combo->currentIndex() < 0)
                return;
            const int v = combo->currentData().toInt();
            m_row.setValue(name(field), v);
            if (apply)
                apply(v);
        });
    };
    onChoice(m_timeUnits, "Timeunits", [](int v) { session().TimeUnits = static_cast<qint16>(v); });
    // The delays take effect at the next start-up, before its archiving.
    onChoice(m_arcDel, "arcdel", {});
    onChoice(m_delDel, "deldel", {});
    connect(m_dateFormat, &QComboBox::currentIndexChanged, this, &Options::dateFormatChosen);

    connect(m_taxText, &QLineEdit::textChanged, this, &Options::taxTyped);
}

void Options::dateFormatChosen()
{
    if (m_loading || m_dateFormat->currentIndex() < 0)
        return;
    const int n = m_dateFormat->currentData().toInt();
    const DateFormatTexts texts = ApplyDateFormat(session(), n);
    m_row.setValue(QStringLiteral("dateformatnr"), n);
    m_dfs1->setText(texts.stored1);
    m_dfs2->setText(texts.stored2);
    m_firstDay->setText(texts.firstDay);
}

void Options::taxTyped(const QString& text)
{
    if (m_loading)
        return;
    if (const auto pct = ParseTaxPercent(text)) {
        session().TaxPercent = *pct;
        m_row.setValue(QStringLiteral("taxpct"), *pct);
    }
}

void Options::closeEvent(QCloseEvent* event)
{
    if (!m_row.isLoaded()) {
        event->accept();
        return;
    }
    // A number the locale cannot read stays as typed, and the window with it.
    if (QLineEdit* refused = RefuseTypedNumbers(this)) {
        for (int i = 0; i < m_tabs->count(); ++i)
            if (m_tabs->widget(i)->isAncestorOf(refused))
                m_tabs->setCurrentIndex(i);
        refused->setFocus();
        event->ignore();
        return;
    }
    Database db = BookingFile();
    QString error;
    if (!m_row.store(db, &error)) {
        showMessage(QStringLiteral("The options could not be saved:\n") + error,
                    QStringLiteral("Error"), MsgIcon::Critical);
        event->ignore();
        return;
    }
    event->accept();
}

Options* ShowOptions(QWidget* owner)
{
    auto& registry = WindowRegistry::instance();
    auto* w =
        registry.obtain<Options>(QStringLiteral("Options"), [owner] { return new Options(owner); });
    registry.show(w, ShowMode::Modal, owner);
    return w;
}

} // namespace vestra
