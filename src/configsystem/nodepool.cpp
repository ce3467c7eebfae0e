#include "configsystem/nodepool.h"

#include <algorithm>
#include <new>

namespace kelp {

namespace {

constexpr std::size_t largestBlock = std::size_t(1) << 20;

} // namespace

NodePool::~NodePool()
{
    for (void* block : m_blocks) {
        ::operator delete(block);
    }
}

bool NodePool::pooled(std::size_t bytes, std::size_t alignment)
{
    return bytes <= largestPooled && alignment <= granularity;
}

void* NodePool::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (!pooled(bytes, alignment)) {
        return ::operator new(bytes, std::align_val_t(alignment));
    }
    const std::size_t sizeClass = (std::max(bytes, sizeof(FreeNode)) + granularity - 1) / granularity;
    if (FreeNode* node = m_free[sizeClass]) {
        m_free[sizeClass] = node->next;
        return node;
    }
    const std::size_t size = sizeClass * granularity;
    if (static_cast<std::size_t>(m_end - m_cursor) < size) {
        // Blocks grow with the document, so a large one costs few of them.
        m_blocks.reserve(m_blocks.size() + 1);
        auto* block = static_cast<char*>(::operator new(m_nextBlockSize));
        m_blocks.push_back(block);
        m_cursor = block;
        m_end = block + m_nextBlockSize;
        m_nextBlockSize = std::min(m_nextBlockSize * 2, largestBlock);
    }
    void* node = m_cursor;
    m_cursor += size;
    return node;
}

void NodePool::do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment)
{
    if (!pooled(bytes, alignment)) {
        ::operator delete(pointer, std::align_val_t(alignment));
        return;
    }
    const std::size_t sizeClass = (std::max(bytes, sizeof(FreeNode)) + granularity - 1) / granularity;
    auto* node = static_cast<FreeNode*>(pointer);
    node->next = m_free[sizeClass];
    m_free[sizeClass] = node;
}

} // namespace kelp
