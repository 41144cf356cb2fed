#pragma once

#include "Engine/CameraReboot.h"
#include "Engine/RebootTiming.h"

#include "Cameras/Camera.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

// The window's restart of its camera, after a completed update or after a
// mode switch: the wait cursor, the worker that reboots and waits for the
// camera to be listed again (CameraReboot), and what the restart was for.
// The window starts it and reacts to `ended`; the texts of the steps come
// from here.
//
// Main thread, except `ended`, which is emitted on the restart's worker:
// receivers connect queued. Destroying the object cuts a running restart's
// wait short and waits for its worker without reporting, so the worker never
// outlives the disconnection handler's target when the target owns this
// object.
class RebootFlow : public QObject
{
    Q_OBJECT

public:
    enum class PURPOSE
    {
        AFTER_UPDATE,
        AFTER_MODE_SWITCH
    };
    enum class OUTCOME
    {
        REBOOTED,
        // The camera was not listed again within the reconnect limit.
        TIMED_OUT,
        // The reboot function or the registry failed.
        FAILED
    };

    explicit RebootFlow(QObject* parent = nullptr);
    RebootFlow(const RebootFlow&) = delete;
    RebootFlow& operator=(const RebootFlow&) = delete;
    ~RebootFlow() override;

    // Not while a restart runs (ignored then).
    void setTiming(const RebootTiming& timing);
    bool isRunning() const;

    // Reboots the listed camera of this serial number on the worker; sets the
    // wait cursor. False, with "Failed to initialize reboot thread." logged
    // and no cursor, when the camera is not listed or a restart already runs.
    // The handler is registered again when the restart ends.
    bool start(const std::string& serialNumber, PURPOSE purpose,
               const CameraInterface::Camera::DisconnectCallback& disconnectHandler);
    // "Rebooting camera...", after an update preceded by "Update completed.".
    QString beginText() const;
    PURPOSE purpose() const { return m_Purpose; }
    // On the main thread, given `ended`'s value: what the restart came to.
    // Removes the wait cursor.
    OUTCOME finish(bool success);

signals:
    // On the worker thread; not emitted for a cancelled restart.
    void ended(bool success);

private:
    void create(const RebootTiming& timing);
    void endCursor();

    std::unique_ptr<CameraReboot> m_Reboot;
    PURPOSE m_Purpose = PURPOSE::AFTER_MODE_SWITCH;
    // Written on the worker before `ended`, read on the main thread after it.
    std::atomic<bool> m_TimedOut{false};
    bool m_Cursor = false;
};
