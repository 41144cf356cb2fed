#pragma once

#include "CameraDescription.h"

#include <string>

namespace OstraEmulation
{

// Reads a rig file: the emulated cameras behind the driver library.
//
// Numbers may be JSON numbers or texts with automatic base ("0x1B0000").
// Relative paths (flash folder, flash content files) are taken from the rig
// file's folder. The flash folder defaults to "<rig name without
// extension>.flash" beside the rig. Throws std::runtime_error naming the file,
// the camera and the key when anything is missing or malformed; a rig is
// taken whole or not at all. Stateless and thread-safe.
class RigFile
{
public:
    static RigDescription read(const std::string& path);

    // The fault of one rig entry (also used by tests): {"kind": "failCall",
    // "operation": "ostraWriteFlash", "call": 2, "count": 1, "error": 5},
    // {"kind": "vanishDuringWrite", "call": 1, "bytesWritten": 16},
    // {"kind": "corruptRead", "address": "0x1B0000", "xor": 1},
    // {"kind": "noReturnAfterReboot"}, {"kind": "vanishAfterCount", "call": 1}.
    static bool isKnownOperation(const std::string& name);
};

} // namespace OstraEmulation
