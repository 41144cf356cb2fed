#pragma once

#include "Engine/CameraUpdate.h"
#include "Engine/UpdateHistory.h"

#include <QString>

#include <mutex>

class Package;

namespace CameraInterface
{
class Camera;
}

// One update run's record in the history, shared by both front ends: begun
// from the plan before the camera is touched, each load written as the
// engine's worker reaches it, and ended with the run's outcome and the
// versions the camera reported after its reboot. A record that cannot be
// written is logged as a warning and told by errorText(); it never stops
// a run that has begun.
//
// Threads: begin and end on the front end's thread; the UpdateJournal calls on
// the engine's worker while the run lasts (between them). Call order: begin,
// the run, end (also for a run that failed or never started).
class HistoryRecorder : public UpdateJournal
{
public:
    // What the front end knows of the run besides the camera and the plan.
    struct Start
    {
        // "vxupdate" or "window".
        QString frontEnd;
        QString bundlePath;
        // The trusted signer's name; empty for an unsigned bundle.
        QString signer;
        // The unfinished run this one programs again, 0 when none.
        qint64 resumesRun = 0;
        QString logFile;
    };

    explicit HistoryRecorder(UpdateHistory& history);

    // Writes the run with every load of `package` (planned, as the engine
    // decided them); the package must stay as it is until end. False when
    // the run could not be recorded.
    bool begin(CameraInterface::Camera& camera, const Package& package, const Start& start);

    // Ends the record: "succeeded" or "failed" with the failure shown.
    // `versionsRead`: the package's currentVersion fields were read from
    // the camera that came back, and are recorded as the versions after.
    void end(bool succeeded, const QString& failure, bool versionsRead);

    bool isRecording() const { return m_RunId > 0; }
    qint64 runId() const { return m_RunId; }
    // The first failure to write, empty when all went in.
    QString errorText() const;

    void loadStarted(const Load& load) override;
    void flashStatusSaved(const Load& load, unsigned char status) override;
    void loadEnded(const Load& load, const QString& outcome) override;

    // The run as begin writes it (also for tests and tools).
    static HistoryRun describe(CameraInterface::Camera& camera, const Package& package, const Start& start);

private:
    int positionOf(const Load& load) const;
    void noteFailure(bool written);

    UpdateHistory& m_History;
    const Package* m_Package = nullptr;
    qint64 m_RunId = 0;
    mutable std::mutex m_ErrorMutex;
    QString m_ErrorText;
};
