#pragma once

#include "Engine/UpdateRoad.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <vector>

class Load;
class Package;

// What one camera's update did, for the machine-readable output of
// "vxupdate update --json" and the summary of "--all": the camera, the
// bundle, the package, each load with its versions before and after and what
// was done with it, the timings of the phases, the outcome and the failure
// text. Filled by the update command as it goes; not thread-safe (the
// command's thread only).
class UpdateReport
{
public:
    // How the camera's road ended; the JSON's "outcome" text.
    enum class OUTCOME
    {
        UPDATED,        // "updated": programmed, rebooted, versions confirmed
        UP_TO_DATE,     // "up to date": nothing needed programming
        PLANNED,        // "planned": a dry run stopped at the plan
        NOT_APPLICABLE, // "not applicable": no package of the bundle fits
        FAILED          // "failed": see the failure text
    };

    UpdateReport(QString serialNumber, QString bundle, bool dryRun);

    // The phases timed: from construction to `finish`, and the run and the
    // reboot on their own.
    void startPhase();
    void endRun();
    void endReboot();

    void setModel(const QString& modelName) { m_Model = modelName; }
    void setPackage(const QString& folder) { m_Package = folder; }
    // "Signature: valid, signed by NAME (FINGERPRINT)" or "Signature: not
    // signed", once the bundle is accepted.
    void setSignature(const QString& summary) { m_Signature = summary; }
    // The loads as planned (before) or as read from the camera that came
    // back after the reboot (after; only then do loads get a version after).
    void setLoads(const Package& package, bool afterReboot);
    // The notice of an unfinished run resumed by this plan.
    void setResume(const QString& notice);
    // The run's record in the update history (0 when none) and why not.
    void setHistory(qint64 runId, const QString& problem);
    // The run's result per load, as the progress record states it ("Done",
    // "Skipped", "Failed").
    void setLoadStatus(const QString& loadType, const QString& status);
    void finish(OUTCOME outcome, int exitCode, const QString& failure = QString());

    OUTCOME outcome() const { return m_Outcome; }
    int exitCode() const { return m_ExitCode; }
    const QString& serialNumber() const { return m_Serial; }
    const QString& model() const { return m_Model; }
    const QString& package() const { return m_Package; }
    const QString& failure() const { return m_Failure; }
    double seconds() const { return static_cast<double>(m_Total) / 1000.0; }

    static QString outcomeText(OUTCOME outcome);
    // The camera's report in the JSON vocabulary (docs/json.md): without
    // the envelope, which the command adds.
    QJsonObject toJson() const;

private:
    struct LoadEntry
    {
        QString type;
        std::uint32_t number = 0;
        QString file;
        // The camera's versions; empty when unknown or not read.
        QString versionBefore;
        QString loadVersion;
        QString versionAfter;
        bool programmed = false;
        bool forced = false;
        bool downgrade = false;
        QString decision;
        QString status;
    };

    // The entry of the load at `index` of the package's loads in load
    // order (UpdateRoad::loadRows), made on first use.
    LoadEntry& entryFor(std::size_t index, const UpdateRoad::LoadRow& row, const Load& load);

    QString m_Serial;
    QString m_Bundle;
    bool m_DryRun;
    QString m_Model;
    QString m_Package;
    QString m_Signature;
    QString m_Resume;
    qint64 m_HistoryRun = 0;
    QString m_HistoryProblem;
    std::vector<LoadEntry> m_Loads;
    OUTCOME m_Outcome = OUTCOME::FAILED;
    int m_ExitCode = -1;
    QString m_Failure;
    QElapsedTimer m_Clock;
    QElapsedTimer m_Phase;
    qint64 m_Run = -1;
    qint64 m_Reboot = -1;
    qint64 m_Total = 0;
};
