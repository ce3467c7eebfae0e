#include "configsystem/patterncache.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <map>

namespace kelp {

namespace {

struct Cache
{
    Cache()
    {
        const char* const initial[] = {"\\d+",     "[\\da-fA-F]+", "1",        ".+",      "\\d",
                                       "\\d{1,2}", "[1-5]",        "\\d{1,4}", "[a-z]{2}"};
        for (const char* pattern : initial) {
            const QString text = QString::fromLatin1(pattern);
            expressions.emplace(text, QRegExp(text, Qt::CaseSensitive, QRegExp::RegExp));
        }
    }

    // Nodes of a std::map never move, so the pointers handed out stay valid.
    QRegExp& expressionLocked(const QString& patternName) { return expressions[patternName]; }

    QMutex mutex;
    std::map<QString, QRegExp> expressions;
};

Cache& cache()
{
    static Cache instance;
    return instance;
}

} // namespace

bool PatternCache::matches(const SectionKind& pattern, const QString& name)
{
    Cache& c = cache();
    const QMutexLocker locker(&c.mutex);
    int p = 0;
    for (const PatternPiece& piece : pattern) {
        if (piece.second.isEmpty()) {
            const QString& literal = piece.first;
            if (literal.isEmpty() || name.size() - p < literal.size() ||
                QStringRef(&name, p, literal.size()) != literal) {
                return false;
            }
            p += literal.size();
        } else {
            QRegExp& expression = c.expressionLocked(piece.second);
            if (expression.indexIn(name, p, QRegExp::CaretAtOffset) != p || expression.matchedLength() <= 0) {
                return false;
            }
            p += expression.matchedLength();
        }
    }
    return true;
}

const QRegExp* PatternCache::expression(const QString& patternName)
{
    Cache& c = cache();
    const QMutexLocker locker(&c.mutex);
    return &c.expressionLocked(patternName);
}

QStringList PatternCache::patternNames()
{
    Cache& c = cache();
    const QMutexLocker locker(&c.mutex);
    QStringList names;
    for (const auto& entry : c.expressions) {
        names.append(entry.first);
    }
    return names;
}

} // namespace kelp
