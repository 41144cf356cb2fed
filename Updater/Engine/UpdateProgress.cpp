#include "Engine/UpdateProgress.h"

#include <algorithm>
#include <cstdint>

UpdateProgress::UpdateProgress(QObject* parent) : QObject(parent) {}

UpdateProgress::~UpdateProgress() = default;

void UpdateProgress::registerMetaTypes()
{
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<UpdateProgress::LoadStatus>("UpdateProgress::LoadStatus");
    qRegisterMetaType<std::string>("std::string");
}

void UpdateProgress::reset()
{
    m_LoadStatus = LoadStatus::None;
    m_FilePercent = 0;
    m_TotalSteps = 0;
    m_CompletedSteps = 0;
    m_CurrentLoadType.clear();
    emit fileProgress(0, std::string());
    emit loadStatusProgress(LoadStatus::None, std::string());
    emit overallProgress(0);
}

void UpdateProgress::setTotalSteps(std::uint32_t steps)
{
    m_TotalSteps = steps;
}

void UpdateProgress::setLoad(const Load& load)
{
    m_CurrentLoadType = load.loadType;
}

void UpdateProgress::setFileProgress(std::uint32_t percent)
{
    m_FilePercent = percent;
    emit fileProgress(percent, m_CurrentLoadType);
    emit overallProgress(overallPercent());
}

void UpdateProgress::setLoadStatus(UpdateProgress::LoadStatus status)
{
    m_LoadStatus = status;
    emit loadStatusProgress(status, m_CurrentLoadType);
}

void UpdateProgress::loadCompleted()
{
    ++m_CompletedSteps;
    emit overallProgress(overallPercent());
}

std::uint32_t UpdateProgress::overallPercent() const
{
    if (m_TotalSteps == 0)
    {
        return 0;
    }
    // (filePercent / 100 + completed) / total * 100 is (filePercent + 100 *
    // completed) / total, rounded up. Whole numbers keep exact values exact:
    // in floating point 7 % of a single step came out as 8.
    const std::uint64_t numerator = std::uint64_t{m_FilePercent} + std::uint64_t{100} * m_CompletedSteps;
    const std::uint64_t percent = (numerator + m_TotalSteps - 1) / m_TotalSteps;
    // A load skipped after the last programmed one adds its 100 % to steps
    // already all complete; the whole is still at most all of it.
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(percent, 100));
}
