#include "widgets/accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QPrintPreviewWidget>
#include <QTimer>

namespace vestra {

namespace {

// A top-level window built on QWidget itself: Qt would call it a client
// area, which screen readers read as a filler.
bool isPlainWindow(QObject* object)
{
    const QMetaObject* mo = object->metaObject();
    while (mo && !QByteArray(mo->className()).startsWith('Q'))
        mo = mo->superClass();
    return mo && qstrcmp(mo->className(), "QWidget") == 0;
}

class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Window) {}
    QAccessible::Role role() const override
    {
        return widget()->isWindow() ? QAccessible::Window : QAccessible::Client;
    }
};

// On Linux Qt names a drop-down box by its current entry and ignores the
// name it was given; the entry is its value, the label its name.
class ComboAccessible : public QAccessibleWidget {
public:
    explicit ComboAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        auto* box = static_cast<QComboBox*>(widget());
        if (t == QAccessible::Value)
            return box->isEditable() && box->lineEdit() ? box->lineEdit()->text()
                                                        : box->currentText();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

constexpr char kClosesOnEscape[] = "closesOnEscape";

// Puts a date or time editor on its first section, selected.
void selectFirstSection(QDateTimeEdit* edit)
{
    edit->setCurrentSectionIndex(0);
    edit->setSelectedSection(edit->sectionAt(0));
}

// The desktop's keys every window shares: Ctrl+W closes the active
// secondary window (the schedule's main windows stay), and date and time
// editors take typed digits.
class DesktopKeysFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
            auto* key = static_cast<QKeyEvent*>(event);
            QWidget* window = static_cast<QWidget*>(watched)->window();
            const bool ctrlW = key->key() == Qt::Key_W && key->modifiers() == Qt::ControlModifier;
            const bool escape = key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier
                                && window->property(kClosesOnEscape).toBool();
            if ((ctrlW || escape) && window == QApplication::activeWindow()
                && !qobject_cast<QMainWindow*>(window)) {
                window->close();
                return true;
            }
        }
        auto* edit = qobject_cast<QDateTimeEdit*>(watched);
        if (!edit)
            return false;
        if (event->type() == QEvent::FocusIn) {
            // After the click that focused it has placed the cursor.
            QTimer::singleShot(0, edit, [edit] {
                if (edit->hasFocus())
                    selectFirstSection(edit);
            });
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::SelectAll)) {
                selectFirstSection(edit);
                return true;
            }
        }
        return false;
    }
};

QAccessibleInterface* factory(const QString& /*className*/, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (auto* box = qobject_cast<QComboBox*>(object))
        return new ComboAccessible(box);
    if (isPlainWindow(object))
        return new WindowAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void CloseOnEscape(QWidget* window)
{
    window->setProperty(kClosesOnEscape, true);
}

void NamePreviewControls(QWidget* preview)
{
    const auto name = [](QWidget* w, const QString& text) {
        if (w->accessibleName().isEmpty())
            w->setAccessibleName(text);
    };
    for (QComboBox* zoom : preview->findChildren<QComboBox*>())
        name(zoom, QStringLiteral("Zoom"));
    for (QLineEdit* page : preview->findChildren<QLineEdit*>())
        name(page, QStringLiteral("Page number"));
    for (QWidget* w : preview->findChildren<QWidget*>())
        if (qobject_cast<QPrintPreviewWidget*>(w) || qobject_cast<QGraphicsView*>(w)
            || qobject_cast<QGraphicsView*>(w->parentWidget()))
            name(w, QStringLiteral("Page preview"));
}

void InstallAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(
            new DesktopKeysFilter(QCoreApplication::instance()));
}

} // namespace vestra
