#pragma once

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QTextStream;

// The camera registry for the length of one command: initialised on
// construction, torn down (every camera destroyed) on destruction.
class Workspace
{
public:
    // What a command does with its connected camera; returns the exit code.
    using CameraWork = std::function<int(CameraInterface::Camera& camera, const std::string& serialNumber)>;

    Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace();

    // The serial number to work with: `requested` when given, else the only
    // camera attached. Returns the exit code: success, failure when no such
    // camera is attached (message on `err`), a choice needed when several
    // are attached and none was named (they are listed on `err`).
    // `failure`, when given, receives the first line of the message.
    static int chooseCamera(const QString& requested, std::string& serialNumber, QTextStream& err,
                            QString* failure = nullptr);

    // The chosen camera, leased and connected (library exceptions pass through).
    static CameraInterface::CameraLease connectedCamera(const std::string& serialNumber);
    // The shared start of the commands that work on one camera: opens a
    // workspace, chooses the camera (`requested` as in chooseCamera), leases
    // and connects it, then runs `work` on it while the lease holds. An
    // exception from connecting or from `work` is written as "Error: <what>"
    // on `err` and gives failure. Returns the choice's exit code when no
    // camera was chosen, else that of `work`. `failure`, when given,
    // receives the text of a failure shown here. Main thread; no workspace
    // may be open already.
    static int withConnectedCamera(const QString& requested, QTextStream& err, const CameraWork& work,
                                   QString* failure = nullptr);

    // The camera's property names in the order the camera presents them
    // (the adapter's table order for vendor-driver cameras, by name for the others).
    static std::vector<std::string> propertyNames(CameraInterface::Camera& camera);
    // What a listed camera's state means for the operator: "available" (the
    // camera is attached and seen by its adapter, and this process has not
    // connected to it), "connected" (this process works with it),
    // "suspended" (held through a restart).
    static QString stateText(CameraInterface::CameraState state);
    // The adapter that lists the camera: "vendor driver", "USB3 Vision",
    // "simulated" (empty for an adapter added at run time, as tests do).
    static QString adapterText(const CameraInterface::Camera& camera);
    // The mode the adapter lists the camera in: "driver" (vendor-driver
    // mode) or "u3v" (USB3 Vision mode); empty for a simulated camera, which
    // is on no bus.
    static QString modeText(const CameraInterface::Camera& camera);
};
