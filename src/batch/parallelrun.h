#pragma once

#include "batch/orderedoutput.h"
#include "engine/abstractoperation.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kelp {
class ConnectionManager;
}

// One run over the CSV server list with up to `lanes` servers in progress at
// once, on the one event loop. Each lane is an operation of its own (made by
// the factory, so every step is the window's) with a connection manager of
// its own; the lanes take the entries in list order from this scheduler. The
// first lane loads the list, opens the report and ends the run; the others
// start once it has loaded the list and go quietly when it is used up.
//
// Its signals read like one sequential operation's: a server's lines come
// together, servers in list order, "Finished!" once at the end (through
// OrderedOutput), and the report holds the same lines. cancel() starts no
// new server; those in progress finish. One lane is exactly the sequential
// run.
class ParallelRun final : public OperationInterface
{
    Q_OBJECT

public:
    // Makes a lane's operation with the run's options; only the first lane's
    // writes the report.
    using OperationFactory = std::function<std::unique_ptr<AbstractOperation>(bool withReport)>;

    ParallelRun(OperationFactory factory, int lanes);
    ~ParallelRun() override;

    void start() override;
    void cancel() override;

    // The number of entries of the list; 0 until it is loaded.
    int serverCount() const { return static_cast<int>(m_total); }
    int serversInProgress() const { return m_inProgress; }

signals:
    void serversInProgressChanged();

private:
    struct Lane
    {
        std::unique_ptr<kelp::ConnectionManager> manager;
        std::unique_ptr<AbstractOperation> operation;
        std::optional<quint64> index;
        bool ended = false;
    };

    Lane& addLane();
    void startOtherLanes();
    std::optional<quint64> nextIndex(std::size_t lane);
    bool otherLanesEnded() const;
    void handleLaneMessage(std::size_t lane, const QString& msg, bool error);
    void handleLaneServerFinished(std::size_t lane);
    void handleLaneFinished(std::size_t lane);

    OperationFactory m_factory;
    int m_laneCount;
    std::vector<std::unique_ptr<Lane>> m_lanes;
    OrderedOutput m_output;
    quint64 m_total = 0;
    quint64 m_next = 0;
    int m_inProgress = 0;
    bool m_listLoaded = false;
    bool m_cancelled = false;
    // The first lane has used up the list and waits for the others to end.
    bool m_firstLaneWaiting = false;
};
