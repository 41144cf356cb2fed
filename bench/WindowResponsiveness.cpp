// How responsive the window stays while the update engine programs a 16 MiB
// load into a simulated camera: the longest gap between two turns of the
// event loop during the run, against the same measurement with the window
// idle in the same process, and the number of progress signals the window
// handled. Runs the real window offscreen; prompts are answered by script.
#include "Window/MainWindow.h"
#include "Window/ModalPrompts.h"
#include "Window/UpdaterApplication.h"

#include "Engine/BundleWriter.h"
#include "Engine/UpdateProgress.h"

#include "Cameras/Camera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace
{

constexpr int IMAGE_SIZE = 16 * 1024 * 1024;
constexpr int IDLE_MILLISECONDS = 2000;
constexpr int PROBE_INTERVAL = 5;

const char CAMERA_LIST[] = R"({"Cameras": [{
  "Identification": {"Serial Number": "BENCH-1", "Model Name": "VX-Bench"},
  "Properties": [
    {"Name": "Vendor Name", "Type": "String", "Default": "Veltrax", "Minimum": "", "Maximum": "", "ReadOnly": true, "AvailableForWriting": false, "Discrete": false, "ValueList": []},
    {"Name": "Model Name", "Type": "String", "Default": "VX-Bench", "Minimum": "", "Maximum": "", "ReadOnly": true, "AvailableForWriting": false, "Discrete": false, "ValueList": []},
    {"Name": "Camera ID", "Type": "Integer", "Default": "4660", "Minimum": "", "Maximum": "", "ReadOnly": true, "AvailableForWriting": false, "Discrete": false, "ValueList": []},
    {"Name": "Hardware Revision", "Type": "Integer", "Default": "2", "Minimum": "", "Maximum": "", "ReadOnly": true, "AvailableForWriting": false, "Discrete": false, "ValueList": []},
    {"Name": "Firmware Version", "Type": "String", "Default": "2.4.1", "Minimum": "", "Maximum": "", "ReadOnly": true, "AvailableForWriting": false, "Discrete": false, "ValueList": []}],
  "Functions": [
    {"Name": "Erase Flash", "Parameters": [], "Return Format": []},
    {"Name": "Read Flash", "Parameters": [], "Return Format": []},
    {"Name": "Write Flash", "Parameters": [], "Return Format": []}]}]})";

const char MANIFEST[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Manifest>
  <Packages>
    <Package>
      <ModelID>0x1234</ModelID>
      <ModelName>VX-Bench</ModelName>
      <Loads>
        <Load>
          <LoadNumber>1</LoadNumber>
          <LoadType>Firmware</LoadType>
          <FileName>firmware.bin</FileName>
          <SecurityTag></SecurityTag>
          <LoadVersion>2.5</LoadVersion>
          <ProgrammingMethod>WriteBufferToFlash</ProgrammingMethod>
          <VersionVerificationMethod>Firmware</VersionVerificationMethod>
          <FlashAddress>0x1000000</FlashAddress>
          <FlashSize>0x1000000</FlashSize>
        </Load>
      </Loads>
    </Package>
  </Packages>
  <ManifestSecurityTag></ManifestSecurityTag>
</Manifest>
)";

// The longest delay of a 5 ms timer beyond its interval: how long the event
// loop could not turn.
class StallProbe : public QObject
{
public:
    StallProbe()
    {
        // A probe that sleeps between turns, as the window does: a busy probe
        // would compete for the processor itself.
        m_Timer.setTimerType(Qt::PreciseTimer);
        m_Timer.setInterval(PROBE_INTERVAL);
        connect(&m_Timer, &QTimer::timeout, this,
                [this]
                {
                    const qint64 gap = m_Clock.restart() - PROBE_INTERVAL;
                    m_Longest = std::max(m_Longest, gap);
                });
    }
    void start()
    {
        m_Longest = 0;
        m_Clock.start();
        m_Timer.start();
    }
    qint64 stop()
    {
        m_Timer.stop();
        return m_Longest;
    }

private:
    QTimer m_Timer;
    QElapsedTimer m_Clock;
    qint64 m_Longest = 0;
};

// Runs the event loop as the program does, sleeping while nothing happens.
void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Times every event delivery, to name the slowest: what the window itself
// costs, apart from the time the loop waits for the processor.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        QElapsedTimer clock;
        clock.start();
        const int type = event->type();
        const bool result = QApplication::notify(receiver, event);
        const qint64 taken = clock.elapsed();
        if (taken > slowest)
        {
            slowest = taken;
            slowestType = type;
            slowestReceiver = receiver->metaObject()->className();
        }
        return result;
    }
    qint64 slowest = 0;
    int slowestType = 0;
    QString slowestReceiver;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    qputenv("XDG_DATA_HOME", folder.filePath("data").toUtf8());
    UpdaterApplication::setIdentity();
    UpdaterApplication::installSettingsPath();
    TimedApplication application(argc, argv);
    UpdaterApplication::initialiseResources();
    UpdateProgress::registerMetaTypes();

    QFile list(folder.filePath("cameras.json"));
    if (!list.open(QIODevice::WriteOnly) || list.write(CAMERA_LIST) < 0)
    {
        std::fprintf(stderr, "cannot write the camera list\n");
        return 1;
    }
    list.close();
    CameraInterface::SimulatedAdapter::SimulatedCamera::setCameraListFile(list.fileName().toStdString());
    QByteArray image(IMAGE_SIZE, '\0');
    for (int index = 0; index < IMAGE_SIZE; ++index)
    {
        image[index] = static_cast<char>((index * 2654435761u) >> 24);
    }
    const QString bundle = folder.filePath("bench.zip");
    BundleWriter writer;
    if (!writer.write(
            MANIFEST,
            [&image](const Package&, const Load&, QByteArray& content, QString&)
            {
                content = image;
                return true;
            },
            bundle))
    {
        std::fprintf(stderr, "cannot write the bundle: %s\n", qPrintable(writer.lastError()));
        return 1;
    }
    ModalPrompts::setResponder(
        [&bundle](const ModalPrompts::Prompt& prompt)
        {
            ModalPrompts::Answer answer;
            answer.fileName = bundle;
            answer.button = prompt.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
            if (prompt.kind == ModalPrompts::PROMPT_KIND::MESSAGE &&
                !prompt.buttons.testFlag(QMessageBox::Yes))
            {
                std::printf("message: %s\n", qPrintable(prompt.text));
            }
            return answer;
        });

    StallProbe probe;
    int fileSignals = 0;
    int overallSignals = 0;
    qint64 idleStall = 0;
    qint64 updateStall = 0;
    qint64 updateMilliseconds = 0;
    double cpuMilliseconds = 0;
    {
        MainWindow window;
        window.show();
        QObject counter;
        QObject::connect(
            &window.cameraUpdate().progress(), &UpdateProgress::fileProgress, &counter,
            [&fileSignals](uint32_t, const std::string&) { ++fileSignals; }, Qt::QueuedConnection);
        QObject::connect(
            &window.cameraUpdate().progress(), &UpdateProgress::overallProgress, &counter,
            [&overallSignals](uint32_t) { ++overallSignals; }, Qt::QueuedConnection);
        window.findChild<QPushButton*>(QStringLiteral("selBinariesButton"))->click();

        probe.start();
        runFor(IDLE_MILLISECONDS);
        idleStall = probe.stop();

        auto* status = window.findChild<QLabel*>(QStringLiteral("statusLabel"));
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpuAtStart = std::clock();
        probe.start();
        QEventLoop loop;
        // Connected after the window's own slots, so the loop ends once the
        // window has handled the end of the run.
        QObject::connect(&window.cameraUpdate(), &CameraUpdate::updateCompleted, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        QObject::connect(&window.cameraUpdate(), &CameraUpdate::updateFailed, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        QElapsedTimer clickClock;
        clickClock.start();
        window.findChild<QPushButton*>(QStringLiteral("updateButton"))->click();
        std::printf("the Update button's handler returned after %lld ms\n",
                    static_cast<long long>(clickClock.elapsed()));
        if (window.isUpdateInProgress())
        {
            loop.exec();
        }
        updateStall = probe.stop();
        updateMilliseconds = clock.elapsed();
        cpuMilliseconds = static_cast<double>(std::clock() - cpuAtStart) * 1000.0 / CLOCKS_PER_SEC;
        std::printf("status after the run: %s\n", qPrintable(status->text()));
        std::printf("slowest event handled during the update: %lld ms (event type %d, %s)\n",
                    static_cast<long long>(application.slowest), application.slowestType,
                    qPrintable(application.slowestReceiver));
        if (fileSignals == 0)
        {
            std::fprintf(stderr, "the update did not run\n");
            return 1;
        }
    }
    std::printf("16 MiB load programmed and verified in %.2f s; the process had %.0f ms of processor time "
                "meanwhile (all threads)\n",
                static_cast<double>(updateMilliseconds) / 1000.0, cpuMilliseconds);
    std::printf("longest event-loop stall: idle %lld ms, during the update %lld ms (goal: below 50 ms)\n",
                static_cast<long long>(idleStall), static_cast<long long>(updateStall));
    std::printf("stall ratio, update / idle: %.2f\n",
                static_cast<double>(updateStall) / static_cast<double>(std::max<qint64>(idleStall, 1)));
    std::printf("progress signals handled: %d file, %d overall\n", fileSignals, overallSignals);
    std::printf("goal met: %s\n", updateStall < 50 ? "yes" : "no");
    return 0;
}
