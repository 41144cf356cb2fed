#pragma once

#include "ostraapi/OstraEmulator.h"
#include "ostraapi/ostraapi.h"

#include <cstdint>
#include <string>
#include <vector>

// A rig file in a fresh temporary folder, loaded into the driver library for
// the length of one test; the folder (rig and flash files) goes with it.
class OstraTestRig
{
public:
    // cameras: the JSON objects of the "cameras" list; topLevel: more
    // members of the rig object. load false: written, not loaded.
    explicit OstraTestRig(const std::vector<std::string>& cameras, const std::string& topLevel = "",
                          bool load = true);
    ~OstraTestRig();
    OstraTestRig(const OstraTestRig&) = delete;
    OstraTestRig& operator=(const OstraTestRig&) = delete;

    // Loads the rig again, as a new process would: flash from the files.
    void reload() const;
    const std::string& folder() const { return m_Folder; }
    const std::string& rigPath() const { return m_RigPath; }

    // A camera object: serial, model and interface plus extra members
    // (",\"key\": value" pieces).
    static std::string camera(std::uint32_t serial, std::uint32_t modelId = 0x1234,
                              unsigned int interfaceType = 2, const std::string& extra = "");

private:
    std::string m_Folder;
    std::string m_RigPath;
    mutable bool m_Loaded = false;
};

// Opens the camera at a 1-based index of the interface; fails the test when
// it cannot.
OSTRA_HANDLE openCamera(unsigned int index, unsigned int interfaceType = OSTRA_INTERFACE_USB2);
