#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <map>

// Puts the lines of servers worked on at the same time back into list order.
// Lines are added per list index; those of the first unfinished index pass on
// at once, the others wait until every index before theirs is finished, so
// each server's lines come out together, in the order they were added, and
// servers come out in list order. Indices are finished once each, counting up
// from 0 without gaps among the ones that have lines.
class OrderedOutput final : public QObject
{
    Q_OBJECT

public:
    void addMessage(quint64 index, const QString& text);
    void addError(quint64 index, const QString& text);
    void finish(quint64 index);

signals:
    void message(const QString& text);
    void error(const QString& text);
    // Every line of the next server in list order has been passed on.
    void serverDone();

private:
    struct Line
    {
        bool error;
        QString text;
    };
    struct Block
    {
        QVector<Line> lines;
        bool finished = false;
    };

    void add(quint64 index, Line line);
    void pass(const Line& line);

    // Lines of the indices after m_next, until their turn.
    std::map<quint64, Block> m_waiting;
    quint64 m_next = 0;
};
