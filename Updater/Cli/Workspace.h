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
    static int chooseCamera(const QString& requested, std::string& serialNumber, QTextStream& err);

    // The chosen camera, leased and connected (library exceptions pass through).
    static CameraInterface::CameraLease connectedCamera(const std::string& serialNumber);
    // The shared start of the commands that work on one camera: opens a
    // workspace, chooses the camera (`requested` as in chooseCamera), leases
    // and connects it, then runs `work` on it while the lease holds. An
    // exception from connecting or from `work` is written as "Error: <what>"
    // on `err` and gives failure. Returns the choice's exit code when no
    // camera was chosen, else that of `work`. Main thread; no workspace may
    // be open already.
    static int withConnectedCamera(const QString& requested, QTextStream& err, const CameraWork& work);

    // The camera's property names in the order the camera presents them
    // (the adapter's table order for vendor-driver cameras, by name for the others).
    static std::vector<std::string> propertyNames(CameraInterface::Camera& camera);
    // "connected", "disconnected", "suspended".
    static QString stateText(CameraInterface::CameraState state);
};
