#pragma once
// The booking form: one stored booking with its account, contact, room or
// delivery details, remarks, price and tax. Bookings are made on the
// schedule; the form only edits them.

#include "booking/bookingdetails.h"
#include "booking/price.h"
#include "forms/boundrow.h"
#include "forms/openeditors.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimeEdit;

namespace vestra {

class BookingChangeRecorder;

class BookingForm : public QWidget, public OpenEditor {
    Q_OBJECT
public:
    explicit BookingForm(QWidget* parent = nullptr);

    // Positions the form on the booking; false when it no longer exists.
    bool OpenOn(int bookingnr);
    void RecalculatePrice();
    // Writes pending changes; false (with a message) when a value cannot be stored.
    bool Store();
    // Drops the booking the form holds, deleted by this workstation: the
    // form stores nothing more.
    void Discard() { m_rec.release(); }
    void UpdateRepeatedBooking();
    void PrintReceipt();
    void RepeatedBookingButton();
    QString MailTarget() const;

    // The booking as the form shows it, edits not yet stored included. Its
    // fee is absent while the typed fee is not a number: callers that write
    // it call Store() first, which refuses such a fee with a message.
    BookingDetails details() const;
    // The booking now heads the series gennr in the colour; the commit wrote
    // that to the file, the form shows it until it closes.
    void markSeriesHead(int gennr, int colour);

    // OpenEditor: the booking shown, of the session's booking file.
    QString editedTable() const override { return QStringLiteral("Booking"); }
    std::optional<qint64> editedKey() const override;
    bool storeTyped() override { return Store(); }
    void reread() override;
    void rowDeleted() override;

    int bookingnr() const;
    int startSeconds() const;
    int endSeconds() const;
    bool isRepeated() const;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Puts a stored edit on the undo stack.
    void recordEdit(Database& db, BookingChangeRecorder& undo,
                    const QList<QPair<QString, QVariant>>& typed);
    // The booking file the shown booking belongs to: the form keeps writing
    // there even when the session has meanwhile connected to another file.
    Database database() const;
    // The typed fee; nullopt (after saying so) when it or another typed
    // number is not a number.
    std::optional<double> typedPrice();
    void build();
    void fillLists();
    void showRecord();
    void collect();
    // Another workstation changed the booking: says so, shows it as stored
    // and the typed values beside it.
    void changedElsewhere(Database& db, const QList<QPair<QString, QVariant>>& typed);
    void showUnstored(const QList<QPair<QString, QVariant>>& typed);
    // A Booking field as the form names it.
    static QString fieldCaption(const QString& field);
    void activated();
    void chooseListPrice();
    void chooseAgreed();
    void accountChosen(int index);
    // The address of the account the form shows.
    QString accountMail() const;
    void sendMail();
    QWidget* buildGeneralTab();
    QWidget* buildAccountTab();
    QWidget* buildReceiptTab();

    BoundRow m_rec;
    QString m_file;
    bool m_filling = false;
    bool m_recalculating = false;

    QLabel* m_head;
    // What the user typed that another workstation's change kept from being
    // stored, shown beside the stored booking so that nothing typed is lost.
    QPlainTextEdit* m_unstored;
    QLabel* m_single;
    QLineEdit* m_bookingnr;
    QLineEdit* m_item;
    QLineEdit* m_itemName;
    QDateEdit* m_date;
    QTimeEdit* m_start;
    QTimeEdit* m_end;
    QCheckBox* m_tentative;
    QTabWidget* m_tabs;
    // General Info
    QLineEdit* m_title;
    QPlainTextEdit* m_description;
    QPlainTextEdit* m_remarks;
    QComboBox* m_account;
    QComboBox* m_floorPlan;
    QLabel* m_floorPlanCaption;
    QLineEdit* m_persons;
    QLabel* m_personsCaption;
    QComboBox* m_delivery;
    QLabel* m_deliveryCaption;
    QLabel* m_mailer;
    // Account Info
    QList<QLineEdit*> m_accountFields;
    QList<QLineEdit*> m_contact;
    // Reciept
    QLineEdit* m_price;
    QLabel* m_taxAmount;
    QLabel* m_total;
    QCheckBox* m_tax;
    QRadioButton* m_listPrice;
    QRadioButton* m_agreed;
    // What the program keeps for itself: series, price type, group kind and
    // the chosen account. The fields the user edits are read from the
    // controls by details().
    BookingDetails m_kept;
};

BookingForm* ShowBookingForm(int bookingnr, QWidget* owner);

// The windows the form's repeated-booking button opens; the series windows
// register themselves.
using FormWindowOpener = std::function<void(BookingForm* form)>;
void SetRepeatedBookingWindows(FormWindowOpener pattern, FormWindowOpener addOrDelete);

// The receipts register here.
using ReceiptOpener =
    std::function<void(int bookingnr, bool repeated, int gennr, bool tax, QWidget* parent)>;
void SetReceiptOpener(ReceiptOpener opener);

} // namespace vestra
