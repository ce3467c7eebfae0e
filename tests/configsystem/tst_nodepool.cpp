#include "configsystem/nodepool.h"

#include <QtTest>

#include <cstring>
#include <vector>

class TestNodePool : public QObject
{
    Q_OBJECT

private slots:
    void allocationsNeverOverlap_data()
    {
        QTest::addColumn<std::size_t>("size");
        QTest::addColumn<std::size_t>("alignment");
        // Below the free-list node, just over an 8-byte step, just over the fine
        // classes and the first doubled one, the largest pooled size, the first
        // size the heap serves.
        for (const std::size_t size : {1, 9, 257, 513, 8192, 8193}) {
            QTest::addRow("%zu bytes", size) << size << std::size_t(8);
        }
        QTest::newRow("alignment above the pool's") << std::size_t(64) << std::size_t(64);
    }

    // Each allocation is filled with a byte of its own, every other one is freed
    // and handed out again, filled anew: two that shared a byte would show the
    // wrong fill.
    void allocationsNeverOverlap()
    {
        QFETCH(std::size_t, size);
        QFETCH(std::size_t, alignment);

        kelp::NodePool pool;
        std::vector<unsigned char*> live;
        for (int i = 0; i < 500; ++i) {
            if (i >= 300 && i % 2 == 0) {
                pool.deallocate(live[static_cast<std::size_t>(i - 300)], size, alignment);
                live[static_cast<std::size_t>(i - 300)] = nullptr;
            }
            live.push_back(static_cast<unsigned char*>(pool.allocate(size, alignment)));
            QVERIFY2(reinterpret_cast<std::uintptr_t>(live.back()) % alignment == 0, "misaligned allocation");
            std::memset(live.back(), static_cast<int>(live.size() % 251), size);
        }
        for (std::size_t i = 0; i < live.size(); ++i) {
            if (live[i]) {
                const std::vector<unsigned char> expected(size, static_cast<unsigned char>((i + 1) % 251));
                QVERIFY2(std::memcmp(live[i], expected.data(), size) == 0, "two allocations share memory");
                pool.deallocate(live[i], size, alignment);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestNodePool)
#include "tst_nodepool.moc"
