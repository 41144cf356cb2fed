#pragma once

#include "Engine/RebootTiming.h"

#include "Cameras/Camera.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// The restart that ends an update (and a mode switch): "Reboot" with
// "Firmware", then the wait for a camera of the same serial number to be
// listed by the registry again. Holds no lease across the wait, since the
// camera that comes back may be a new object found by another adapter, and
// never takes the object that went away for the camera back (see
// hasReturned).
//
// Two ways to run it, with the same steps and outcome:
// - rebootAndWait(serial) on the caller's thread (vxupdate); it blocks for up
//   to the reconnect limit.
// - start(serial) on a worker thread owned by this object (the window); the
//   worker emits rebootEnded from its own thread, so receivers connect
//   queued and handle it on their thread. start refuses (false, nothing
//   emitted) while a restart is running. The worker logs under the starting
//   thread's LogScope label.
//
// Both hold the camera's CameraLock from the reboot to the end of the wait;
// when another program holds it the restart fails at once (FAILED, the lock's
// text in lastError()). Callers of the single steps below take it themselves.
//
// While a restart runs, the registry's disconnection callback is an empty
// one, so that the camera's own reboot is not reported as a loss; afterwards
// (also on failure) the handler given with setDisconnectHandler is registered
// again. Without a handler the callback is left alone. Do not hold a
// CameraLease on the calling thread across rebootAndWait or the worker's
// callback registration.
//
// After REBOOTED the front end connects to the camera again and refreshes the
// versions (UpdateRoad::connectCamera, UpdateRoad::refreshAfterReboot) on
// its own thread. Destroying the object cancels a running worker and waits
// for it (the reboot function itself is not interrupted): the owner of the
// disconnect handler destroys this object, or cancels and waits, before the
// handler's target goes away, since the worker registers the handler again
// at its end.
class CameraReboot : public QObject
{
    Q_OBJECT

public:
    enum class OUTCOME
    {
        REBOOTED,
        // The camera did not come back within the reconnect limit.
        TIMED_OUT,
        // The reboot function or the registry failed.
        FAILED,
        // cancel() ended the wait before the camera came back.
        CANCELLED
    };
    Q_ENUM(OUTCOME)

    explicit CameraReboot(RebootTiming timing = RebootTiming(), QObject* parent = nullptr);
    CameraReboot(const CameraReboot&) = delete;
    CameraReboot& operator=(const CameraReboot&) = delete;
    ~CameraReboot() override;

    const RebootTiming& timing() const { return m_Timing; }

    // Set before a restart; not while one runs.
    void setDisconnectHandler(CameraInterface::Camera::DisconnectCallback handler);

    // Reboots and waits on the calling thread. Logs the failure (warning for
    // a timeout, error for the rest); lastError() then says why.
    OUTCOME rebootAndWait(const std::string& serialNumber);

    // Reboots and waits on a worker thread; see the class comment.
    bool start(const std::string& serialNumber);
    bool isRunning() const;
    void waitUntilEnded();

    // Ends a running wait at once (any thread): the restart ends CANCELLED,
    // and nothing is logged as a failure. A program that closes while its
    // camera restarts cancels, so that it does not wait out the limit. The
    // next restart starts uncancelled.
    void cancel();

    // What the last restart's failure was: "Failed to reconnect to camera
    // after 30000 milliseconds", or a library error's description. Read
    // after rebootEnded (or rebootAndWait) only.
    const QString& lastError() const { return m_LastError; }

    // The operator text for an outcome: "Camera rebooted.", "Camera
    // reconnection timed out.", "Camera was not rebooted successfuly.".
    static QString outcomeText(OUTCOME outcome);

    // Who went away: the camera object that was rebooted, told apart from
    // the object that lists the camera once it is back.
    struct RebootedCamera
    {
        std::string serialNumber;
        // Camera::getInstanceNumber of the object rebooted.
        std::uint64_t instance = 0;
        // Its adapter keeps the object through a restart (a simulated camera
        // restarts in memory and never leaves the registry).
        bool restartsInPlace = false;
    };

    // The two steps, for callers that take them one by one. reboot performs
    // "Reboot" with "Firmware" on the listed camera (library errors
    // propagate) and says which object went away; waitForReconnect looks for
    // the camera after each poll interval until it is back (hasReturned) or
    // the limit has passed, then logs "Failed to reconnect to camera after %1
    // milliseconds" (warning) and throws std::runtime_error with that text;
    // after cancel() it throws at once. Neither holds a lease between looks.
    static RebootedCamera reboot(const std::string& serialNumber);
    void waitForReconnect(const RebootedCamera& rebooted) const;

    // Whether `listed`, the object the registry lists under the rebooted
    // camera's serial number now, is the camera back: another object than
    // the one rebooted that is live (connected and alive, or just listed by
    // its adapter's enumeration, which keeps an unconnected camera only while
    // it is seen), or the rebooted object itself, alive, when its adapter
    // restarts cameras in place. The rebooted object of any other adapter is
    // the camera that went away, dead or about to be: the registry drops it
    // within its disconnection period, and until then it must not pass for
    // the camera back. The caller holds a lease on `listed`.
    static bool hasReturned(CameraInterface::Camera& listed, const RebootedCamera& rebooted);

signals:
    // Emitted on the worker thread when a restart begun by start ends.
    void rebootEnded(CameraReboot::OUTCOME outcome, QString failure);

private:
    // One look: the registry lists the camera back (hasReturned).
    static bool isListedAgain(const RebootedCamera& rebooted);
    void work(const std::string& serialNumber, const QString& logLabel);

    RebootTiming m_Timing;
    CameraInterface::Camera::DisconnectCallback m_DisconnectHandler;
    QString m_LastError;

    mutable std::mutex m_Mutex;
    std::condition_variable m_Ended;
    bool m_Running = false;
    bool m_Cancelled = false;
    // Wakes a waiting poll on cancel.
    mutable std::condition_variable m_CancelWake;
    std::thread m_Worker;
};
