#pragma once
// Groups, types, items and bookings for the resource tests.

#include "resources/resourcewindows.h"
#include "support/fixture.h"
#include "widgets/windowregistry.h"

#include <QPushButton>
#include <QTest>

namespace vestra::test {

class ResourceTest : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        session().IsAdmin = true;
        session().DateFormatNo = 1;
        session().DateFormatLong = QStringLiteral("dd-mm-yyyy");
    }

    int insert(const QString& sql, const QVariantList& binds)
    {
        Database d = db();
        auto q = d.query(sql, binds);
        EXPECT_TRUE(q) << d.lastError().toStdString();
        return q ? q->lastInsertId().toInt() : 0;
    }
    int addGroup(const QString& name, int kind)
    {
        return insert("INSERT INTO overgruppenavne (OverGruppenavn, Gruppeart) VALUES (?, ?)",
                      {name, kind});
    }
    int addType(const QString& name, int group, int kind)
    {
        return insert("INSERT INTO lokaliteter (Lokalitetsnavn, Overgruppenr, gruppeart) "
                      "VALUES (?, ?, ?)",
                      {name, group, kind});
    }
    int addItem(const QString& name, int type, int kind)
    {
        return insert("INSERT INTO lokale (Lokalenavn, lokalinr, Gruppeart) VALUES (?, ?, ?)",
                      {name, type, kind});
    }
    void addArchivedBooking(int item, int type)
    {
        insert("INSERT INTO Bookingarkiv (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, Bgruppe, "
               "Lokalenr, kontonr) VALUES (900, 'Old', 40000, 600, 660, ?, ?, 1)",
               {type, item});
    }
    // An item window of class W, opened on item as the program opens it.
    template <typename W> W* open(ItemMode mode, int item)
    {
        auto* w = new W(mode);
        WindowRegistry::instance().obtain<QWidget>(w->objectName(), [w] { return w; });
        WindowRegistry::instance().show(w, ShowMode::Free);
        EXPECT_TRUE(w->OpenOn(item));
        return w;
    }
    void click(QWidget* window, const char* button)
    {
        auto* b = window->findChild<QPushButton*>(button);
        ASSERT_TRUE(b) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QVariant field(const QString& table, const QString& name, const QString& keyField, int key)
    {
        return db().scalar(
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(name, table, keyField), {key});
    }
};

} // namespace vestra::test
