#pragma once

#include "configsystem/linerecord.h"

#include <cstddef>
#include <memory_resource>
#include <vector>

namespace kelp {

// The line records of a document body, in line order. Records come from the
// body's memory pool and stay where they are while the list around them
// changes, so keys and values can refer into them; the list itself is an
// array of pointers, so inserting or removing a block of lines moves each
// later pointer once and touches no other record.
class LineList
{
public:
    using size_type = std::size_t;

    // memory must outlive the list.
    explicit LineList(std::pmr::memory_resource* memory);
    ~LineList();
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    size_type size() const { return m_records.size(); }
    LineRecord& operator[](size_type i) { return *m_records[i]; }
    const LineRecord& operator[](size_type i) const { return *m_records[i]; }
    void reserve(size_type count) { m_records.reserve(count); }

    // A new, empty record at the end.
    LineRecord& append();
    // count new, empty records before position.
    void insert(size_type position, size_type count);
    void erase(size_type position, size_type count);

private:
    LineRecord* create();
    void destroy(LineRecord* record);

    std::pmr::polymorphic_allocator<LineRecord> m_allocator;
    std::vector<LineRecord*> m_records;
};

} // namespace kelp
