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
        // Below the free-list node, above an 8-byte step, the fine classes and 512, the largest pooled, the heap's.
        for (const std::size_t size : {1, 9, 257, 513, 8192, 8193}) {
            QTest::addRow("%zu bytes", size) << size << std::size_t(8);
        }
        QTest::newRow("alignment above the pool's") << std::size_t(64) << std::size_t(64);
    }

    // Every other slot is freed at 300 and filled again; two allocations sharing a byte would show the wrong fill.
    void allocationsNeverOverlap()
    {
        QFETCH(std::size_t, size);
        QFETCH(std::size_t, alignment);

        kelp::NodePool pool;
        std::vector<unsigned char*> held(300);
        for (std::size_t i = 0; i < 450; ++i) {
            if (i == 300) {
                for (std::size_t slot = 0; slot < held.size(); slot += 2) {
                    pool.deallocate(held[slot], size, alignment);
                }
            }
            const std::size_t slot = i < 300 ? i : 2 * (i - 300);
            held[slot] = static_cast<unsigned char*>(pool.allocate(size, alignment));
            QVERIFY2(reinterpret_cast<std::uintptr_t>(held[slot]) % alignment == 0, "misaligned allocation");
            std::memset(held[slot], static_cast<int>(slot % 251), size);
        }
        for (std::size_t slot = 0; slot < held.size(); ++slot) {
            const std::vector<unsigned char> expected(size, static_cast<unsigned char>(slot % 251));
            QVERIFY2(std::memcmp(held[slot], expected.data(), size) == 0, "two allocations share memory");
            pool.deallocate(held[slot], size, alignment);
        }
    }
};

QTEST_GUILESS_MAIN(TestNodePool)
#include "tst_nodepool.moc"
