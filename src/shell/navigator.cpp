#include "shell/navigator.h"

#include <QApplication>

namespace vestra {

Navigator& navigator()
{
    static Navigator n{
        {},
        {},
        [] {
            QApplication::closeAllWindows();
            QCoreApplication::exit(0);
        },
        {},
    };
    return n;
}

} // namespace vestra
