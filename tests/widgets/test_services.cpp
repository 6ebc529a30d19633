#include "services/filedialogs.h"
#include "services/messages.h"
#include "widgets/accessibility.h"
#include "widgets/widgetservices.h"
#include "widgets/windowregistry.h"

#include "support/printers.h"
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vestra;

// The platform shows the program's name on a window with an empty title,
// so the box must never hand it one: an untitled message shows a blank title,
// and a titled one exactly its title.
TEST(Messages, TheMessageBoxShowsAnEmptyTitleEmpty)
{
    for (const QString& title : {QString(), QStringLiteral("Access Message")}) {
        std::optional<QString> shown;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->windowTitle();
                box->accept();
            }
        });
        BoxMessageService().show({"Text", title});
        ASSERT_TRUE(shown) << title.toStdString();
        EXPECT_FALSE(shown->isEmpty());
        EXPECT_EQ(title.isEmpty() ? shown->trimmed() : *shown, title);
    }
}

// The real save dialog: a name typed without a suffix gets it, and an
// existing file is not asked about there (its caller asks, knowing the name
// it will write). A question box would be answered Yes and counted here.
TEST(FileDialogs, SaveDialogAddsTheSuffixAndLeavesTheReplaceQuestionToItsCaller)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath("good.mdb")).open(QIODevice::WriteOnly));
    int questions = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::allWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                ++questions;
                box->done(QMessageBox::Yes);
                return;
            }
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                name->setText("good");
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    poll.start(20);
    QtFileDialogService service;
    const FileChoice c = service.saveFile("Vestra - Create new bookingfile",
                                          "Vestra booking files (*.mdb)", dir.path(), "mdb");
    EXPECT_EQ(std::tuple(c.chosen, QFileInfo(c.fullPath).absoluteFilePath(), questions),
              std::tuple(true, QFileInfo(dir.filePath("good.mdb")).absoluteFilePath(), 0));
}

// A 1920x1080 screen at 150 % offers 1280x720 less its panel; a window drawn
// for a larger screen must shrink and move so that its title bar stays on it.
TEST(WindowGeometry, WindowsFitTheAvailableAreaAndComeBackOnScreen)
{
    const QRect laptop(0, 0, 1280, 690);
    const std::tuple<const char*, QRect, QRect> fits[] = {
        {"fits already", QRect(100, 100, 800, 500), QRect(100, 100, 800, 500)},
        {"taller than the screen", QRect(50, -40, 1180, 760), QRect(50, 0, 1180, 690)},
        {"wider and off the right", QRect(900, 10, 1400, 300), QRect(0, 10, 1280, 300)},
        {"off the bottom left", QRect(-300, 600, 400, 200), QRect(0, 490, 400, 200)},
    };
    for (const auto& [what, window, fitted] : fits)
        EXPECT_EQ(FitIntoArea(window, laptop), fitted) << what;

    // Two screens side by side: a window returns to the one it was on, and to
    // the first when its screen was unplugged.
    const QRect right(1280, 0, 1920, 1050);
    EXPECT_EQ(RestoredGeometry(QRect(1500, 100, 800, 600), {laptop, right}),
              QRect(1500, 100, 800, 600));
    EXPECT_EQ(RestoredGeometry(QRect(1100, 100, 800, 600), {laptop, right}),
              QRect(1280, 100, 800, 600))
        << "mostly on the right screen: moved wholly onto it";
    EXPECT_EQ(RestoredGeometry(QRect(1500, 100, 800, 600), {laptop}), QRect(240, 45, 800, 600));
    EXPECT_EQ(RestoredGeometry(QRect(3000, 900, 1900, 1000), {laptop}), QRect(0, 0, 1280, 690));

    // A window of fixed size (the splash) larger than the screen is made smaller.
    auto* w = new QWidget;
    w->setAttribute(Qt::WA_DeleteOnClose);
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    w->setFixedSize(area.size() + QSize(200, 300));
    WindowRegistry::instance().show(w, ShowMode::Free);
    EXPECT_TRUE(area.contains(w->frameGeometry()))
        << w->frameGeometry().width() << "x" << w->frameGeometry().height();
    w->close();
}

// Typed digits land in a time editor however it got the focus: a click or
// Ctrl+A selects the hours, and "0930" or "9:30" gives 09:30.
TEST(TimeEditors, TypedDigitsGiveTheTime)
{
    QTimeEdit edit;
    edit.setDisplayFormat("HH:mm");
    edit.show();
    QApplication::setActiveWindow(&edit);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    for (const char* typed : {"0930", "9:30"}) {
        edit.setTime(QTime(15, 0));
        edit.clearFocus();
        QTest::mouseClick(&edit, Qt::LeftButton, {}, QPoint(edit.width() - 30, edit.height() / 2));
        QCoreApplication::processEvents();
        QTest::keyClicks(&edit, typed);
        EXPECT_EQ(edit.time(), QTime(9, 30)) << typed << " after a click";
        edit.setTime(QTime(15, 0));
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&edit, typed);
        EXPECT_EQ(edit.time(), QTime(9, 30)) << typed << " after Ctrl+A";
    }
}

TEST(DesktopKeys, CtrlWAndEscapeCloseSecondaryWindowsButNeverTheMainWindow)
{
    QMainWindow main;
    QWidget secondary;
    auto* field = new QLineEdit(&secondary);
    main.show();
    secondary.show();
    QApplication::setActiveWindow(&secondary);
    ASSERT_EQ(QApplication::activeWindow(), &secondary);
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(secondary.isVisible());
    QApplication::setActiveWindow(&main);
    ASSERT_EQ(QApplication::activeWindow(), &main);
    QTest::keyClick(&main, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(main.isVisible());

    // Escape closes a window that only shows, and no other.
    secondary.show();
    QApplication::setActiveWindow(&secondary);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(secondary.isVisible());
    CloseOnEscape(&secondary);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(secondary.isVisible());
}
