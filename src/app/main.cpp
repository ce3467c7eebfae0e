#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    startup::prepareApplication(application);

    MainWindow window;
    window.show();
    QApplication::exec();
    return 0;
}
