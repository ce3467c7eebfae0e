#include "configsystem/linelist.h"

#include <algorithm>

namespace kelp {

LineList::LineList(std::pmr::memory_resource* memory) : m_allocator(memory)
{
}

LineList::~LineList()
{
    for (LineRecord* record : m_records) {
        destroy(record);
    }
}

LineRecord& LineList::append()
{
    m_records.push_back(nullptr);
    try {
        m_records.back() = create();
    } catch (...) {
        m_records.pop_back();
        throw;
    }
    return *m_records.back();
}

void LineList::insert(size_type position, size_type count)
{
    m_records.insert(m_records.begin() + static_cast<std::ptrdiff_t>(position), count, nullptr);
    const auto first = m_records.begin() + static_cast<std::ptrdiff_t>(position);
    // Should a record fail to come, the slots without one leave again and the
    // list is as it was.
    try {
        std::generate(first, first + static_cast<std::ptrdiff_t>(count), [this] { return create(); });
    } catch (...) {
        const auto made = std::find(first, first + static_cast<std::ptrdiff_t>(count), nullptr);
        std::for_each(first, made, [this](LineRecord* record) { destroy(record); });
        m_records.erase(first, first + static_cast<std::ptrdiff_t>(count));
        throw;
    }
}

void LineList::erase(size_type position, size_type count)
{
    const auto first = m_records.begin() + static_cast<std::ptrdiff_t>(position);
    const auto last = first + static_cast<std::ptrdiff_t>(count);
    std::for_each(first, last, [this](LineRecord* record) { destroy(record); });
    m_records.erase(first, last);
}

LineRecord* LineList::create()
{
    LineRecord* record = m_allocator.allocate(1);
    m_allocator.construct(record);
    return record;
}

void LineList::destroy(LineRecord* record)
{
    record->~LineRecord();
    m_allocator.deallocate(record, 1);
}

} // namespace kelp
