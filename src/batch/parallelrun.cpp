#include "batch/parallelrun.h"

#include "sdk/connectionmanager.h"

#include <algorithm>

ParallelRun::ParallelRun(OperationFactory factory, int lanes)
    : OperationInterface(nullptr), m_factory(std::move(factory)), m_laneCount(lanes)
{
    connect(&m_output, &OrderedOutput::message, this, &OperationInterface::showMessage);
    connect(&m_output, &OrderedOutput::error, this, &OperationInterface::showError);
    connect(&m_output, &OrderedOutput::serverDone, this, &OperationInterface::finishedCurrentServer);
}

ParallelRun::~ParallelRun() = default;

void ParallelRun::start()
{
    // The first lane uses the SDK's own connection manager.
    Lane& first = addLane();
    first.operation->writeReportFrom(*this);
    first.operation->start();
}

void ParallelRun::cancel()
{
    m_cancelled = true;
}

ParallelRun::Lane& ParallelRun::addLane()
{
    const std::size_t number = m_lanes.size();
    auto lane = std::make_unique<Lane>();
    lane->operation = m_factory(number == 0);
    AbstractOperation* operation = lane->operation.get();
    if (number > 0) {
        lane->manager = std::make_unique<kelp::ConnectionManager>();
        operation->setConnectionManager(lane->manager.get());
    }
    operation->setNextIndex([this, number] { return nextIndex(number); });
    connect(operation, &OperationInterface::showMessage, this,
            [this, number](const QString& msg) { handleLaneMessage(number, msg, false); });
    connect(operation, &OperationInterface::showError, this,
            [this, number](const QString& msg) { handleLaneMessage(number, msg, true); });
    connect(operation, &OperationInterface::finishedCurrentServer, this,
            [this, number] { handleLaneServerFinished(number); });
    connect(operation, &OperationInterface::finished, this, [this, number] { handleLaneFinished(number); });
    m_lanes.push_back(std::move(lane));
    return *m_lanes.back();
}

void ParallelRun::startOtherLanes()
{
    const quint64 wanted = std::min<quint64>(static_cast<quint64>(m_laneCount), m_total);
    while (m_lanes.size() < wanted) {
        addLane().operation->start();
    }
}

std::optional<quint64> ParallelRun::nextIndex(std::size_t lane)
{
    Lane& current = *m_lanes[lane];
    const quint64 laneEntries = static_cast<quint64>(current.operation->serverCount());
    if (lane == 0 && !m_listLoaded) {
        m_listLoaded = true;
        m_total = laneEntries;
        if (!m_cancelled) {
            startOtherLanes();
        }
    }
    current.index.reset();
    // A lane whose list differs from the first one's (the file changed in between) takes nothing.
    if (!m_cancelled && m_next < m_total && laneEntries == m_total) {
        current.index = m_next++;
        ++m_inProgress;
        emit serversInProgressChanged();
        return current.index;
    }
    // The first lane says "Finished!" and ends the run once every other lane has ended.
    if (lane == 0 && !otherLanesEnded()) {
        m_firstLaneWaiting = true;
        return std::nullopt;
    }
    return laneEntries;
}

bool ParallelRun::otherLanesEnded() const
{
    return std::all_of(m_lanes.begin() + 1, m_lanes.end(),
                       [](const std::unique_ptr<Lane>& lane) { return lane->ended; });
}

void ParallelRun::handleLaneMessage(std::size_t lane, const QString& msg, bool error)
{
    const std::optional<quint64> index = m_lanes[lane]->index;
    if (index) {
        if (error) {
            m_output.addError(*index, msg);
        } else {
            m_output.addMessage(*index, msg);
        }
        return;
    }
    // Before the first server and "Finished!": the run's own lines, once.
    if (lane != 0) {
        return;
    }
    if (error) {
        emit showError(msg);
    } else {
        emit showMessage(msg);
    }
}

void ParallelRun::handleLaneServerFinished(std::size_t lane)
{
    m_output.finish(*m_lanes[lane]->index);
    --m_inProgress;
    emit serversInProgressChanged();
}

void ParallelRun::handleLaneFinished(std::size_t lane)
{
    m_lanes[lane]->ended = true;
    if (lane == 0) {
        emit finished();
        return;
    }
    if (m_firstLaneWaiting && otherLanesEnded()) {
        m_firstLaneWaiting = false;
        // Not from inside the ending lane's own signal.
        QMetaObject::invokeMethod(m_lanes.front()->operation.get(), &AbstractOperation::doNextServer,
                                  Qt::QueuedConnection);
    }
}
