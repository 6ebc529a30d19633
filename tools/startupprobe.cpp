// The program's own start-up, measured: the time from the process's start
// to the first painted day view, and the resident memory with the day view
// shown and with a 2000-row list open. Logs in with the user and password
// given; run by scripts/measure-startup under a virtual display.
//
//   startupprobe <program folder> <booking file> <user> <password>

#include "app/registerwindows.h"
#include "data/schema.h"
#include "grid/schedulegrid.h"
#include "lists/listdata.h"
#include "report/listcontrol.h"
#include "session/connection.h"
#include "session/session.h"
#include "startup/splashwindow.h"
#include "widgets/widgetservices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

using namespace vestra;

namespace {

// Milliseconds since the kernel started this process.
double sinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat")), up(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !up.open(QIODevice::ReadOnly))
        return -1;
    // Field 22, counted after the command's closing parenthesis.
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    return (up.readAll().split(' ').value(0).toDouble() - started) * 1000.0;
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class Probe : public QObject {
public:
    Probe(QString user, QString password) : m_user(std::move(user)), m_password(std::move(password))
    {
        qApp->installEventFilter(this);
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &Probe::logIn);
        poll->start(5);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_painted && event->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && qobject_cast<ScheduleGrid*>(w->parentWidget())) {
                m_painted = true;
                printf("first day view painted: %.0f ms\n", sinceProcessStart());
                QTimer::singleShot(500, this, &Probe::openList);
            }
        }
        return false;
    }

private:
    void logIn()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QStringLiteral("frmLogin") || !w->isVisible() || m_loggedIn)
                continue;
            m_loggedIn = true;
            printf("login window: %.0f ms\n", sinceProcessStart());
            w->findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(m_user);
            w->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(m_password);
            w->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        }
    }

    void openList()
    {
        printf("resident with the day view: %ld kB\n", residentKb());
        // Every booking's title holds the word: the list stops at its cap.
        auto* list = new ListControl;
        list->setAttribute(Qt::WA_DeleteOnClose);
        list->setColumns(SearchColumns());
        list->setFillSource(SearchFillSource({QStringLiteral("Booking"), 0, 1000000, {1, 2, 3}}));
        list->resize(900, 700);
        QElapsedTimer clock;
        clock.start();
        const int rows = list->fill();
        list->show();
        QCoreApplication::processEvents();
        printf("2000-row list filled and shown: %lld ms\n", clock.elapsed());
        QTimer::singleShot(500, this, [rows] {
            printf("resident with a %d-row list: %ld kB\n", rows, residentKb());
            fflush(stdout);
            QCoreApplication::exit(0);
        });
    }

    QString m_user, m_password;
    bool m_loggedIn = false, m_painted = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 5) {
        fprintf(stderr, "startupprobe <program folder> <booking file> <user> <password>\n");
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Vestra"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The workstation's choice of booking file, as the connect window stores it.
    SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    if (!EnsureWorkDatabase() || !StoreBookingFilePath(QString::fromLocal8Bit(argv[2]))) {
        fprintf(stderr, "cannot store the booking file's path\n");
        return 1;
    }
    Probe probe(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    // As the program's main does.
    InstallWidgetServices();
    RegisterWindows();
    ShowSplash();
    QTimer::singleShot(120'000, [] {
        fprintf(stderr, "no day view within two minutes\n");
        QCoreApplication::exit(1);
    });
    return app.exec();
}
