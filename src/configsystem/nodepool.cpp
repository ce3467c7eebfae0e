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

std::size_t NodePool::sizeClass(std::size_t bytes)
{
    if (bytes <= largestFine) {
        return (std::max(bytes, sizeof(FreeNode)) + granularity - 1) / granularity;
    }
    std::size_t size = 2 * largestFine;
    std::size_t result = largestFine / granularity + 1;
    while (size < bytes) {
        size *= 2;
        ++result;
    }
    return result;
}

std::size_t NodePool::classSize(std::size_t sizeClass)
{
    constexpr std::size_t fineClasses = largestFine / granularity;
    return sizeClass <= fineClasses ? sizeClass * granularity : largestFine << (sizeClass - fineClasses);
}

void* NodePool::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (!pooled(bytes, alignment)) {
        return ::operator new(bytes, std::align_val_t(alignment));
    }
    const std::size_t nodeClass = sizeClass(bytes);
    if (FreeNode* node = m_free[nodeClass]) {
        m_free[nodeClass] = node->next;
        return node;
    }
    const std::size_t size = classSize(nodeClass);
    if (static_cast<std::size_t>(m_end - m_cursor) < size) {
        // Blocks grow with the document, so a large one costs few of them.
        m_blocks.reserve(m_blocks.size() + 1);
        const std::size_t blockSize = std::max(m_nextBlockSize, size);
        auto* block = static_cast<char*>(::operator new(blockSize));
        m_blocks.push_back(block);
        m_cursor = block;
        m_end = block + blockSize;
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
    const std::size_t nodeClass = sizeClass(bytes);
    auto* node = static_cast<FreeNode*>(pointer);
    node->next = m_free[nodeClass];
    m_free[nodeClass] = node;
}

} // namespace kelp
