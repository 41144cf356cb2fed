#pragma once

#include <chrono>

// How long the update's RAM step waits for a camera that restarts: a pause
// before each connection attempt, and the number of attempts before it gives
// up. The defaults are the updater's; tests inject shorter pauses.
struct UpdateTiming
{
    std::chrono::milliseconds reconnectionDelay{1000};
    int reconnectionAttempts = 10;
};
