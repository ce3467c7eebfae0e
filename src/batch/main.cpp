#include "batch/batchapplication.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    return static_cast<int>(BatchApplication::run(QCoreApplication::arguments()));
}
