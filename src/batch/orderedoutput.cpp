#include "batch/orderedoutput.h"

void OrderedOutput::addMessage(quint64 index, const QString& text)
{
    add(index, {false, text});
}

void OrderedOutput::addError(quint64 index, const QString& text)
{
    add(index, {true, text});
}

void OrderedOutput::add(quint64 index, Line line)
{
    if (index == m_next) {
        pass(line);
    } else {
        m_waiting[index].lines.append(std::move(line));
    }
}

void OrderedOutput::pass(const Line& line)
{
    if (line.error) {
        emit error(line.text);
    } else {
        emit message(line.text);
    }
}

void OrderedOutput::finish(quint64 index)
{
    if (index != m_next) {
        m_waiting[index].finished = true;
        return;
    }
    emit serverDone();
    ++m_next;
    // The servers after it that were waiting for their turn, as far as they are done;
    // the first unfinished one goes on passing its lines at once.
    for (auto head = m_waiting.find(m_next); head != m_waiting.end(); head = m_waiting.find(m_next)) {
        for (const Line& line : head->second.lines) {
            pass(line);
        }
        const bool finished = head->second.finished;
        m_waiting.erase(head);
        if (!finished) {
            return;
        }
        emit serverDone();
        ++m_next;
    }
}
