#pragma once

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QString>

#include <string>
#include <vector>

class QTextStream;

// The camera registry for the length of one command: initialised on
// construction, torn down (every camera destroyed) on destruction.
class Workspace
{
public:
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
    // The camera's property names in the order the camera presents them
    // (the adapter's table order for vendor-driver cameras, by name for the others).
    static std::vector<std::string> propertyNames(CameraInterface::Camera& camera);
    // "connected", "disconnected", "suspended".
    static QString stateText(CameraInterface::CameraState state);
};
