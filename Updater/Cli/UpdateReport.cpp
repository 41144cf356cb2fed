#include "UpdateReport.h"

#include "Engine/Load.h"
#include "Engine/Package.h"

#include <QJsonArray>

#include <algorithm>
#include <utility>

namespace
{

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// Seconds with millisecond resolution; null for a phase that did not happen.
QJsonValue secondsValue(qint64 milliseconds)
{
    return milliseconds < 0 ? QJsonValue() : QJsonValue(static_cast<double>(milliseconds) / 1000.0);
}

} // namespace

UpdateReport::UpdateReport(QString serialNumber, QString bundle, bool dryRun)
    : m_Serial(std::move(serialNumber)), m_Bundle(std::move(bundle)), m_DryRun(dryRun)
{
    m_Clock.start();
}

void UpdateReport::startPhase()
{
    m_Phase.start();
}

void UpdateReport::endRun()
{
    m_Run = m_Phase.elapsed();
}

void UpdateReport::endReboot()
{
    m_Reboot = m_Phase.elapsed();
}

UpdateReport::LoadEntry& UpdateReport::entryFor(std::size_t index, const UpdateRoad::LoadRow& row,
                                                const Load& load)
{
    if (index < m_Loads.size())
    {
        return m_Loads[index];
    }
    LoadEntry entry;
    entry.type = row.loadType;
    entry.number = load.loadNumber;
    entry.file = row.fileName;
    entry.loadVersion = load.loadVersion.toString();
    m_Loads.push_back(std::move(entry));
    return m_Loads.back();
}

void UpdateReport::setLoads(const Package& package, bool afterReboot)
{
    // The loads in the rows' order: by load number, manifest order among
    // equal numbers.
    std::vector<const Load*> loads;
    for (const Load& load : package.loads)
    {
        loads.push_back(&load);
    }
    std::stable_sort(loads.begin(), loads.end(),
                     [](const Load* left, const Load* right)
                     { return left->loadNumber < right->loadNumber; });
    const std::vector<UpdateRoad::LoadRow> rows = UpdateRoad::loadRows(package);
    for (std::size_t index = 0; index < rows.size() && index < loads.size(); ++index)
    {
        LoadEntry& entry = entryFor(index, rows[index], *loads[index]);
        const QString version =
            loads[index]->currentVersion.isNull() ? QString() : loads[index]->currentVersion.toString();
        if (afterReboot)
        {
            entry.versionAfter = version;
            continue;
        }
        entry.versionBefore = version;
        entry.programmed = rows[index].programmed;
        entry.forced = rows[index].forced;
        entry.downgrade = rows[index].downgrade;
        entry.decision = rows[index].decision;
    }
}

void UpdateReport::setResume(const QString& notice)
{
    m_Resume = notice;
}

void UpdateReport::setHistory(qint64 runId, const QString& problem)
{
    m_HistoryRun = runId;
    m_HistoryProblem = problem;
}

void UpdateReport::setLoadStatus(const QString& loadType, const QString& status)
{
    for (LoadEntry& entry : m_Loads)
    {
        if (entry.type == loadType)
        {
            entry.status = status;
        }
    }
}

void UpdateReport::finish(OUTCOME outcome, int exitCode, const QString& failure)
{
    m_Outcome = outcome;
    m_ExitCode = exitCode;
    m_Failure = failure;
    m_Total = m_Clock.elapsed();
}

QString UpdateReport::outcomeText(OUTCOME outcome)
{
    switch (outcome)
    {
    case OUTCOME::UPDATED:
        return QStringLiteral("updated");
    case OUTCOME::UP_TO_DATE:
        return QStringLiteral("up to date");
    case OUTCOME::PLANNED:
        return QStringLiteral("planned");
    case OUTCOME::NOT_APPLICABLE:
        return QStringLiteral("not applicable");
    case OUTCOME::FAILED:
        break;
    }
    return QStringLiteral("failed");
}

QJsonObject UpdateReport::toJson() const
{
    QJsonArray loads;
    for (const LoadEntry& entry : m_Loads)
    {
        loads.append(
            QJsonObject{{"loadNumber", static_cast<qint64>(entry.number)},
                        {"loadType", entry.type},
                        {"fileName", entry.file},
                        {"versionBefore", textOrNull(entry.versionBefore)},
                        {"loadVersion", entry.loadVersion},
                        {"versionAfter", textOrNull(entry.versionAfter)},
                        {"forceUpdate", entry.forced},
                        {"action", entry.programmed ? QStringLiteral("program") : QStringLiteral("skip")},
                        {"decision", entry.decision.isEmpty() ? QStringLiteral("skip") : entry.decision},
                        {"downgrade", entry.downgrade},
                        {"status", textOrNull(entry.status)}});
    }
    return QJsonObject{
        {"serialNumber", textOrNull(m_Serial)},
        {"modelName", textOrNull(m_Model)},
        {"bundle", m_Bundle},
        {"signature", textOrNull(m_Signature)},
        {"packageFolder", textOrNull(m_Package)},
        {"dryRun", m_DryRun},
        {"loads", loads},
        {"resume", textOrNull(m_Resume)},
        {"history", QJsonObject{{"runId", m_HistoryRun > 0 ? QJsonValue(m_HistoryRun) : QJsonValue()},
                                {"problem", textOrNull(m_HistoryProblem)}}},
        {"timings", QJsonObject{{"total", secondsValue(m_Total)},
                                {"run", secondsValue(m_Run)},
                                {"reboot", secondsValue(m_Reboot)}}},
        {"outcome", outcomeText(m_Outcome)},
        {"failure", textOrNull(m_Failure)},
        {"exitCode", m_ExitCode}};
}
