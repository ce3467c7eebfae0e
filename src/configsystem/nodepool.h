#pragma once

#include <array>
#include <cstddef>
#include <memory_resource>
#include <vector>

namespace kelp {

// Memory for the many small, equally sized nodes of one document body (line
// records, index entries): carved from large blocks, recycled through free
// lists by size, and returned to the system all at once when the pool goes.
// Requests above a few hundred bytes go to the global heap. Not thread-safe,
// like the document that owns it.
class NodePool final : public std::pmr::memory_resource
{
public:
    NodePool() = default;
    ~NodePool() override;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

private:
    static constexpr std::size_t granularity = 8;
    static constexpr std::size_t largestPooled = 256;

    struct FreeNode
    {
        FreeNode* next;
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    static bool pooled(std::size_t bytes, std::size_t alignment);

    std::array<FreeNode*, largestPooled / granularity + 1> m_free{};
    std::vector<void*> m_blocks;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    std::size_t m_nextBlockSize = 4096;
};

} // namespace kelp
