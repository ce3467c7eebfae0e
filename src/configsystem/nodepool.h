#pragma once

#include <array>
#include <cstddef>
#include <memory_resource>
#include <vector>

namespace kelp {

// Memory for the many small nodes and arrays of one document body (line
// records, the value lists of its sections): carved from large blocks,
// recycled through free lists by size class, and returned to the system all
// at once when the pool goes. Sizes step by 8 bytes up to 256 and double
// from there; requests above 8 KiB go to the global heap. Not thread-safe,
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
    static constexpr std::size_t largestFine = 256;
    static constexpr std::size_t largestPooled = 8192;
    // Classes 1 .. 32 step by 8 bytes, 33 .. 37 are 512 .. 8192 bytes.
    static constexpr std::size_t classCount = largestFine / granularity + 6;

    struct FreeNode
    {
        FreeNode* next;
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* pointer, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    static bool pooled(std::size_t bytes, std::size_t alignment);
    static std::size_t sizeClass(std::size_t bytes);
    static std::size_t classSize(std::size_t sizeClass);

    std::array<FreeNode*, classCount> m_free{};
    std::vector<void*> m_blocks;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    std::size_t m_nextBlockSize = 4096;
};

} // namespace kelp
