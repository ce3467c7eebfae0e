// libFuzzer target for the SDK's CSV server-list parser: any bytes, read as a
// file with and without a header line. Beyond not crashing, the header read
// must be the plain read without its first line, every row carrying exactly
// the columns that line names, in its order; both reads find the same
// unclosed quote, and a file refused for one gives no rows.

#include "sdk/csvparser.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> s_directory;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Deliberately never destroyed: libFuzzer leaves through exit(), when
    // Qt's own globals may already be gone.
    static QCoreApplication* application = new QCoreApplication(*argc, *argv);
    Q_UNUSED(application)
    s_directory = std::make_unique<QTemporaryDir>();
    return s_directory->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = s_directory->filePath(QStringLiteral("input.csv"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::abort();
        }
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    kelp::CsvParser withHeader(path, true);
    withHeader.parse();

    kelp::CsvParser withoutHeader(path, false);
    withoutHeader.parse();
    // The header read is the plain read minus its first line, which names
    // the columns.
    const QList<kelp::CsvParser::Row> named = withHeader.getResults();
    const QList<kelp::CsvParser::Row> plain = withoutHeader.getResults();
    if (withHeader.unclosedQuoteLine() != withoutHeader.unclosedQuoteLine() ||
        (withHeader.unclosedQuoteLine() > 0 && !plain.isEmpty())) {
        std::abort();
    }
    if (named.size() != qMax(0, plain.size() - 1)) {
        std::abort();
    }
    for (const kelp::CsvParser::Row& row : named) {
        if (row.size() != plain.first().size()) {
            std::abort();
        }
        for (int column = 0; column < row.size(); ++column) {
            if (row.at(column).first != plain.first().at(column).second) {
                std::abort();
            }
        }
    }
    return 0;
}
