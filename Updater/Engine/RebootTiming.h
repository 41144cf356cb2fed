#pragma once

#include <chrono>

// How long the restart after an update or a mode switch waits for the camera:
// the first look into the registry comes one poll interval after the reboot,
// then one every interval, until the camera is listed or the limit has
// passed. The defaults are the updater's; tests inject shorter ones.
struct RebootTiming
{
    std::chrono::milliseconds pollInterval{10000};
    std::chrono::milliseconds reconnectLimit{30000};
};
