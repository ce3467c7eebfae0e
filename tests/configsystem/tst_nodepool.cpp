#include "configsystem/nodepool.h"

#include <QtTest>

#include <cstring>
#include <vector>

namespace {

struct Allocation
{
    unsigned char* memory;
    std::size_t size;
    unsigned char fill;
};

bool intact(const Allocation& allocation)
{
    for (std::size_t i = 0; i < allocation.size; ++i) {
        if (allocation.memory[i] != allocation.fill) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestNodePool : public QObject
{
    Q_OBJECT

private slots:
    void allocationsNeverOverlap_data();
    void allocationsNeverOverlap();
};

void TestNodePool::allocationsNeverOverlap_data()
{
    QTest::addColumn<std::size_t>("size");
    QTest::addColumn<std::size_t>("alignment");

    // Both sides of every change of step, the largest pooled size and the
    // first size served by the heap.
    const std::size_t sizes[] = {1, 8, 9, 255, 256, 257, 512, 513, 1000, 4097, 8191, 8192, 8193, 20000};
    for (const std::size_t size : sizes) {
        QTest::addRow("%zu bytes", size) << size << std::size_t(8);
    }
    QTest::newRow("alignment above the pool's") << std::size_t(64) << std::size_t(64);
}

// Every allocation is filled with its own byte; freed ones are handed out again
// and filled anew. Any two that shared a byte would show the wrong fill.
void TestNodePool::allocationsNeverOverlap()
{
    QFETCH(std::size_t, size);
    QFETCH(std::size_t, alignment);

    kelp::NodePool pool;
    std::vector<Allocation> live;
    unsigned char fill = 1;
    const auto allocate = [&] {
        auto* memory = static_cast<unsigned char*>(pool.allocate(size, alignment));
        QVERIFY2(reinterpret_cast<std::uintptr_t>(memory) % alignment == 0, "misaligned allocation");
        std::memset(memory, fill, size);
        live.push_back(Allocation{memory, size, fill});
        fill = static_cast<unsigned char>(fill % 250 + 1);
    };
    for (int i = 0; i < 300; ++i) {
        allocate();
    }
    for (std::size_t i = 0; i < live.size(); i += 2) {
        pool.deallocate(live[i].memory, size, alignment);
        live[i].size = 0;
    }
    for (int i = 0; i < 200; ++i) {
        allocate();
    }
    for (const Allocation& allocation : live) {
        QVERIFY2(intact(allocation), "two allocations share memory");
    }
    for (const Allocation& allocation : live) {
        if (allocation.size > 0) {
            pool.deallocate(allocation.memory, size, alignment);
        }
    }
}

QTEST_GUILESS_MAIN(TestNodePool)

#include "tst_nodepool.moc"
