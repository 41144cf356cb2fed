#pragma once

#include <QString>

#include <chrono>

// What "vxupdate update" was asked to do, as parsed from its options.
struct UpdateOptions
{
    QString bundle;
    QString serial;
    // 1-based; 0 when not given.
    int package = 0;
    bool yes = false;
    bool dryRun = false;
    bool all = false;
    bool json = false;
    // Cameras updated at the same time with --all.
    int jobs = 1;
    // How long to wait for a camera another program holds (--wait-lock).
    std::chrono::milliseconds waitLock{0};
};
