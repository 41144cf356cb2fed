#include "ModeCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/CameraLock.h"
#include "Engine/CameraModeSwitch.h"
#include "Engine/CameraReboot.h"
#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"
#include "Engine/UpdateRoad.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QJsonValue>
#include <QTextStream>

#include <exception>

namespace
{

constexpr char DRIVER[] = "driver";
constexpr char USB3_VISION[] = "u3v";

QString text(OPERATOR_TEXT text)
{
    return OperatorTexts::text(text);
}

// The names of the window's mode buttons.
QString modeName(bool usb3Vision)
{
    return usb3Vision ? QStringLiteral("USB3 Vision Mode") : QStringLiteral("Ostra Mode");
}

QString modeWord(bool usb3Vision)
{
    return QLatin1String(usb3Vision ? USB3_VISION : DRIVER);
}

} // namespace

ModeCommand::ModeCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("mode")},
           QStringLiteral("switches the camera between driver and USB3 Vision mode"),
           QStringLiteral(
               "Switches the camera to its vendor-driver mode (driver, \"Ostra Mode\") or to USB3\n"
               "Vision mode (u3v) as the window's mode buttons do: asks for confirmation,\n"
               "writes the camera's \"USB3 Vision Mode\" and reads it back, reboots the camera,\n"
               "waits for it to come back (looked for every 10 s, for at most 30 s) and reads\n"
               "its mode again. The driver of the new mode must be installed first.\n"
               "\n"
               "Exits 0 when the camera runs in the mode asked for (also when it already did),\n"
               "1 otherwise: a camera without \"USB3 Vision Mode\" or without a USB3 Vision\n"
               "description file is refused with the reason and not rebooted. --json prints\n"
               "serialNumber, modelName, requestedMode, previousMode, mode, rebooted, result\n"
               "(switched, unchanged, cancelled, failed), error and reason.\n"),
           {serialOption(),
            {{QStringLiteral("y"), QStringLiteral("yes")},
             QString(),
             QStringLiteral("do not ask for confirmation")},
            {{QStringLiteral("json")}, QString(), QStringLiteral("print one JSON document with the result")}},
           {{QStringLiteral("MODE"),
             QStringLiteral("driver or u3v"),
             {QLatin1String(DRIVER), QLatin1String(USB3_VISION)}}},
           EFFECT::CHANGES},
          out, err)
{
}

int ModeCommand::execute(const QCommandLineParser& parser)
{
    // One of the argument's choices: the base has checked it.
    const QString mode = positional().at(0);
    Run run;
    run.requestedSerial = parser.value(QStringLiteral("serial"));
    run.toUsb3Vision = mode == QLatin1String(USB3_VISION);
    run.yes = parser.isSet(QStringLiteral("yes"));
    run.json = parser.isSet(QStringLiteral("json"));
    run.report = QJsonObject{{QStringLiteral("serialNumber"), QJsonValue()},
                             {QStringLiteral("modelName"), QJsonValue()},
                             {QStringLiteral("requestedMode"), mode},
                             {QStringLiteral("previousMode"), QJsonValue()},
                             {QStringLiteral("mode"), QJsonValue()},
                             {QStringLiteral("rebooted"), false},
                             {QStringLiteral("result"), QStringLiteral("failed")}};
    const int code = switchMode(run);
    if (run.json)
    {
        printJson(run.report, code, lastFailure());
    }
    else
    {
        m_Out << "Log file: " << QString::fromStdString(UpdaterLog::logFilePath()) << "\n";
    }
    return code;
}

int ModeCommand::switchMode(Run& run)
{
    Workspace workspace;
    int code = chooseCamera(run.requestedSerial, run.serialNumber);
    if (code != ExitCodes::SUCCESS)
    {
        run.report[QStringLiteral("result")] = QStringLiteral("failed");
        return code;
    }
    run.report[QStringLiteral("serialNumber")] = QString::fromStdString(run.serialNumber);
    bool usb3Vision = false;
    code = readMode(run, "previousMode", usb3Vision);
    if (code != ExitCodes::SUCCESS)
    {
        return code;
    }
    if (usb3Vision == run.toUsb3Vision)
    {
        run.report[QStringLiteral("mode")] = modeWord(usb3Vision);
        run.report[QStringLiteral("result")] = QStringLiteral("unchanged");
        say(run, QStringLiteral("The camera already runs in %1; nothing to do.").arg(modeName(usb3Vision)));
        return ExitCodes::SUCCESS;
    }
    if (!run.yes && !confirm(run))
    {
        EngineLog::info(QStringLiteral("Mode switch cancelled."));
        run.report[QStringLiteral("result")] = QStringLiteral("cancelled");
        keepFailure(QStringLiteral("Mode switch cancelled; the camera was not changed."));
        m_Err << lastFailure() << "\n";
        return ExitCodes::FAILURE;
    }
    // Held from the write to the end of the reboot: another updater must
    // not meet the camera between its new mode and its restart.
    CameraLock lock(run.serialNumber);
    code = writeMode(run, lock);
    return code == ExitCodes::SUCCESS ? rebootAndCheck(run) : code;
}

int ModeCommand::readMode(Run& run, const char* key, bool& usb3Vision)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(run.serialNumber);
        if (camera->isConnected() && std::string(key) == "mode")
        {
            // The same object may have stayed listed through the restart.
            camera->disconnect();
        }
        const UpdateRoad::Outcome connected = UpdateRoad::connectCamera(*camera);
        if (!connected.succeeded)
        {
            return fail(run, connected.text, connected.detail);
        }
        run.report[QStringLiteral("modelName")] = QString::fromStdString(camera->getModelName());
        if (!CameraModeSwitch::isSupported(*camera))
        {
            return refuse(run, CameraModeSwitch::RESULT::NOT_SUPPORTED);
        }
        usb3Vision = UpdateRoad::isInUsb3VisionMode(*camera);
    }
    catch (const std::exception& error)
    {
        return fail(run, EngineLog::caught(error));
    }
    run.report[QLatin1String(key)] = modeWord(usb3Vision);
    return ExitCodes::SUCCESS;
}

bool ModeCommand::confirm(const Run& run)
{
    // Standard output carries the JSON document alone.
    QTextStream& stream = run.json ? m_Err : m_Out;
    stream << QStringLiteral("Camera %1 (%2) runs in %3; it will be switched to %4 and rebooted.\n")
                  .arg(QString::fromStdString(run.serialNumber),
                       run.report.value(QStringLiteral("modelName")).toString(), modeName(!run.toUsb3Vision),
                       modeName(run.toUsb3Vision))
           << text(OPERATOR_TEXT::MODE_SWITCH_QUESTION) << " [y/N] ";
    stream.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int ModeCommand::writeMode(Run& run, CameraLock& lock)
{
    CameraModeSwitch::RESULT result = CameraModeSwitch::RESULT::NOT_SUPPORTED;
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(run.serialNumber);
        result = CameraModeSwitch::write(*camera, run.toUsb3Vision, lock);
    }
    catch (const std::exception& error)
    {
        return fail(run, EngineLog::caught(error));
    }
    if (result == CameraModeSwitch::RESULT::LOCKED)
    {
        return fail(run, lock.errorText());
    }
    return result == CameraModeSwitch::RESULT::WRITTEN ? ExitCodes::SUCCESS : refuse(run, result);
}

int ModeCommand::refuse(Run& run, CameraModeSwitch::RESULT result)
{
    // The window's one text first, then which of its two cases this is.
    const QString message = text(OPERATOR_TEXT::MODE_NOT_SUPPORTED)
                                .arg(run.report.value(QStringLiteral("modelName")).toString(),
                                     QString::fromStdString(run.serialNumber));
    const bool noMode = result == CameraModeSwitch::RESULT::NOT_SUPPORTED;
    run.report[QStringLiteral("reason")] =
        noMode ? QStringLiteral("mode not supported") : QStringLiteral("no description file");
    const QString reason =
        noMode ? QStringLiteral("The camera has no \"USB3 Vision Mode\": its model cannot switch modes.")
        : run.toUsb3Vision
            ? QStringLiteral(
                  "The camera kept its mode: it has no USB3 Vision description file (U3V xml file) "
                  "installed; a bundle with a USB3 Vision load installs one.")
            : QStringLiteral("The camera kept its mode: \"USB3 Vision Mode\" did not take \"Disabled\".");
    return fail(run, message, reason);
}

int ModeCommand::rebootAndCheck(Run& run)
{
    CameraReboot reboot(m_RebootTiming);
    const QString rebooting = text(OPERATOR_TEXT::REBOOTING_CAMERA);
    EngineLog::info(rebooting);
    say(run, rebooting);
    say(run,
        QStringLiteral("Waiting for the camera to come back (looked for every %1 s, for at most %2 s)...")
            .arg(reboot.timing().pollInterval.count() / 1000)
            .arg(reboot.timing().reconnectLimit.count() / 1000));
    m_Out.flush();
    const CameraReboot::OUTCOME outcome = reboot.rebootAndWait(run.serialNumber);
    if (outcome != CameraReboot::OUTCOME::REBOOTED)
    {
        const QString suffix = text(OPERATOR_TEXT::RECONNECT_SUGGESTION);
        return fail(run, CameraReboot::outcomeText(outcome) + suffix,
                    outcome == CameraReboot::OUTCOME::FAILED ? reboot.lastError() : QString());
    }
    run.report[QStringLiteral("rebooted")] = true;
    EngineLog::info(
        text(OPERATOR_TEXT::CAMERA_SERIAL_REBOOTED).arg(QString::fromStdString(run.serialNumber)));
    say(run, CameraReboot::outcomeText(outcome));
    bool usb3Vision = false;
    const int code = readMode(run, "mode", usb3Vision);
    if (code != ExitCodes::SUCCESS)
    {
        return code;
    }
    if (usb3Vision != run.toUsb3Vision)
    {
        return fail(
            run, QStringLiteral("The camera rebooted, but it still runs in %1.").arg(modeName(usb3Vision)));
    }
    run.report[QStringLiteral("result")] = QStringLiteral("switched");
    const QString done = QStringLiteral("Camera %1 now runs in %2.")
                             .arg(QString::fromStdString(run.serialNumber), modeName(usb3Vision));
    EngineLog::info(done);
    say(run, done);
    return ExitCodes::SUCCESS;
}

void ModeCommand::say(const Run& run, const QString& line)
{
    if (!run.json)
    {
        m_Out << line << "\n";
    }
}

int ModeCommand::fail(Run& run, const QString& message, const QString& detail)
{
    EngineLog::error(detail.isEmpty() ? message : message + QLatin1Char(' ') + detail);
    run.report[QStringLiteral("result")] = QStringLiteral("failed");
    m_Out.flush();
    reportFailure(message);
    if (!detail.isEmpty())
    {
        m_Err << detail << "\n";
    }
    m_Err.flush();
    return ExitCodes::FAILURE;
}
