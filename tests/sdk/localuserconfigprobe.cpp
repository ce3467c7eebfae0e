// Prints one option of a LocalUserConfig, read in a process of its own and
// serialised with QDataStream, as hex:
//   localuserconfig_probe <organisation> <application> <group> <key>
#include "sdk/localuserconfig.h"

#include <QDataStream>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 5) {
        return 2;
    }
    const kelp::LocalUserConfig config(QString::fromUtf8(argv[1]), QString::fromUtf8(argv[2]));
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << config.getOption(QString::fromUtf8(argv[4]), QString::fromUtf8(argv[3]));
    std::printf("%s\n", bytes.toHex().constData());
    return 0;
}
