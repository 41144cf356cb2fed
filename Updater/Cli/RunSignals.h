#pragma once

#include <csignal>

// How vxupdate meets signals while it drives a camera, from the start of the
// run to the end of the wait for the rebooted camera: stopping in the middle
// of a flash write can leave a camera that does not start, so
// - an interrupt or a termination request only prints a notice on standard
//   error, and is remembered: a run over several cameras starts no further
//   camera after it (interruptRequested);
// - a hang-up (a closed terminal, a dropped SSH session) and a broken pipe
//   (`vxupdate update ... | head`, a log collector that went away) are
//   ignored: writes to a vanished output fail and are told at exit (see
//   Console::finishOutput), the run goes on and its log is kept.
//
// Objects are counted across the process: while cameras are updated at once,
// each worker holds one for its own run; the first installs the handlers,
// the last gives the previous dispositions back. Thread-safe.
class RunSignals
{
public:
    RunSignals();
    RunSignals(const RunSignals&) = delete;
    RunSignals& operator=(const RunSignals&) = delete;
    ~RunSignals();

    // An interrupt or termination request arrived while a run was held.
    static bool interruptRequested();

    static constexpr char NOTICE[] =
        "\nAn update is in progress and cannot be stopped safely; it will end by itself.\n";

private:
    static constexpr int COUNT = 4;
    static const int SIGNALS[COUNT];
};
