// Reads or writes one option of a LocalUserConfig in a process of its own.
//   localuserconfig_probe <organisation> <application> get <group> <key>
//     prints the stored QVariant, serialised with QDataStream, as hex
//   localuserconfig_probe <organisation> <application> set <group> <key> <hex>
//     stores the QVariant, then kills itself: what counts is what reached the disk
#include "sdk/localuserconfig.h"

#include <QDataStream>
#include <QString>
#include <QVariant>

#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s <organisation> <application> get|set <group> <key> [hex]\n", argv[0]);
        return 2;
    }
    kelp::LocalUserConfig config(QString::fromUtf8(argv[1]), QString::fromUtf8(argv[2]));
    const QString group = QString::fromUtf8(argv[4]);
    const QString key = QString::fromUtf8(argv[5]);

    if (std::strcmp(argv[3], "get") == 0) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << config.getOption(key, group);
        std::printf("%s\n", bytes.toHex().constData());
        return 0;
    }
    if (std::strcmp(argv[3], "set") == 0 && argc == 7) {
        QVariant value;
        QDataStream in(QByteArray::fromHex(argv[6]));
        in >> value;
        config.setOption(key, value, group);
        std::raise(SIGKILL);
    }
    return 2;
}
