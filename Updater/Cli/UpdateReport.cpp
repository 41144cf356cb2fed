#include "UpdateReport.h"

#include "Engine/Package.h"

#include <QJsonArray>

#include <utility>

namespace
{

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

UpdateReport::LoadEntry& UpdateReport::entryFor(const UpdateRoad::LoadRow& row)
{
    for (LoadEntry& entry : m_Loads)
    {
        if (entry.number == row.loadNumberText)
        {
            return entry;
        }
    }
    LoadEntry entry;
    entry.type = row.loadType;
    entry.number = row.loadNumberText;
    entry.file = row.fileName;
    m_Loads.push_back(std::move(entry));
    return m_Loads.back();
}

void UpdateReport::setLoads(const Package& package, bool afterReboot)
{
    for (const UpdateRoad::LoadRow& row : UpdateRoad::loadRows(package))
    {
        LoadEntry& entry = entryFor(row);
        if (afterReboot)
        {
            entry.versionAfter = row.currentVersion;
            continue;
        }
        entry.versionBefore = row.currentVersion;
        entry.newVersion = row.newVersion;
        entry.programmed = row.programmed;
        entry.forced = row.forced;
    }
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
        const QString action = !entry.programmed ? QStringLiteral("skip")
                               : entry.forced    ? QStringLiteral("program (forced)")
                                                 : QStringLiteral("program");
        loads.append(
            QJsonObject{{"type", entry.type},
                        {"number", entry.number},
                        {"file", entry.file},
                        {"versionBefore", entry.versionBefore},
                        {"newVersion", entry.newVersion},
                        {"versionAfter", entry.versionAfter.isEmpty() ? QJsonValue() : entry.versionAfter},
                        {"action", action},
                        {"status", entry.status.isEmpty() ? QJsonValue() : entry.status}});
    }
    return QJsonObject{{"serialNumber", m_Serial},
                       {"model", m_Model.isEmpty() ? QJsonValue() : m_Model},
                       {"bundle", m_Bundle},
                       {"signature", m_Signature.isEmpty() ? QJsonValue() : m_Signature},
                       {"package", m_Package.isEmpty() ? QJsonValue() : m_Package},
                       {"dryRun", m_DryRun},
                       {"loads", loads},
                       {"timings", QJsonObject{{"total", secondsValue(m_Total)},
                                               {"run", secondsValue(m_Run)},
                                               {"reboot", secondsValue(m_Reboot)}}},
                       {"outcome", outcomeText(m_Outcome)},
                       {"failure", m_Failure.isEmpty() ? QJsonValue() : m_Failure},
                       {"exitCode", m_ExitCode}};
}
