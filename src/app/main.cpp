#include "app/mainwindow.h"
#include "app/startup.h"
#include "common/signalwatcher.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    startup::prepareApplication(application);

    MainWindow window;
    // A session that ends, or a kill, closes every window as the user would,
    // so the choices and the geometry are saved; quit() also leaves the event
    // loop of a dialog that may be open.
    common::SignalWatcher watcher;
    QObject::connect(&watcher, &common::SignalWatcher::terminationRequested, &window, [] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    window.show();
    QApplication::exec();
    return 0;
}
