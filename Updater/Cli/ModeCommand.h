#pragma once

#include "Command.h"

#include "Engine/CameraModeSwitch.h"
#include "Engine/RebootTiming.h"

#include <QJsonObject>
#include <QString>

#include <string>

class CameraLock;

// "vxupdate mode driver|u3v": switches a camera between its vendor-driver
// mode ("Ostra Mode") and USB3 Vision mode as the window's mode buttons do:
// the same question (unless --yes), the mode written and read back, the
// reboot and the wait for the camera (looked for every 10 s, for at most
// 30 s), then the camera connected again and its mode read. Success (0)
// means the camera runs in the mode asked for (also when it already did);
// a refusal, a cancelled question or a camera that did not come back in
// that mode is a failure (1), with the window's texts.
class ModeCommand : public Command
{
public:
    ModeCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    struct Run
    {
        QString requestedSerial;
        std::string serialNumber;
        bool toUsb3Vision = false;
        bool yes = false;
        bool json = false;
        // What --json prints besides the envelope: serialNumber, modelName,
        // requestedMode, previousMode, mode, rebooted, result ("switched",
        // "unchanged", "cancelled", "failed"), and for a refused switch its
        // reason ("mode not supported", "no description file").
        QJsonObject report;
    };

    int switchMode(Run& run);
    // Takes `lock` (the camera's) before writing; the caller keeps it until
    // the reboot has ended.
    int writeMode(Run& run, CameraLock& lock);
    int rebootAndCheck(Run& run);
    // Names the camera, its mode and the mode asked for, then asks the
    // window's question.
    bool confirm(const Run& run);
    // The camera cannot switch (no "USB3 Vision Mode") or did not keep the
    // value (no description file): the window's text, then which.
    int refuse(Run& run, CameraModeSwitch::RESULT result);
    // Connects the camera (again) and reads its mode.
    int readMode(Run& run, const char* key, bool& usb3Vision);
    // Prints a line unless the output is JSON.
    void say(const Run& run, const QString& line);
    int fail(Run& run, const QString& message, const QString& detail = QString());

    RebootTiming m_RebootTiming;
};
