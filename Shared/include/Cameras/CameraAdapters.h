#pragma once

#include "VxAppsExport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CameraInterface
{

class Camera;

// The adapters the registry enumerates, in order: the built-in ones (vendor
// driver, USB3 Vision, simulated, as far as they are present in this build),
// then any added at run time (tests add cameras that appear, vanish or die on
// cue this way). An adapter's enumeration returns new, unconnected cameras
// for everything it can see now.
class VXAPPS_EXPORT CameraAdapters
{
public:
    using Enumerator = std::function<std::vector<std::unique_ptr<Camera>>()>;

    static void add(const std::string& name, Enumerator enumerator);
    static void remove(const std::string& name);
    static std::vector<std::string> names();

    // The concatenation of every adapter's list. An adapter that throws
    // contributes nothing; the others still count.
    static std::vector<std::unique_ptr<Camera>> enumerate();
};

} // namespace CameraInterface
