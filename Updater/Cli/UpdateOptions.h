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
    // Program loads older than the camera's (refused otherwise), and loads
    // whose versions already match.
    bool allowOlder = false;
    bool reinstall = false;
    // The update history file (--history); empty for the setting's or the
    // per-user default.
    QString historyPath;
    // Cameras updated at the same time with --all.
    int jobs = 1;
    // How long to wait for a camera another program holds (--wait-lock).
    std::chrono::milliseconds waitLock{0};
};
