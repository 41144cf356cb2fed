#include "EngineTestSupport.h"

#include "Cameras/CameraAdapters.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QThread>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace EngineTestSupport
{

Bytes pattern(std::size_t size, unsigned seed)
{
    Bytes bytes(size);
    std::uint32_t state = 2463534242u + seed * 7919u;
    for (unsigned char& byte : bytes)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<unsigned char>(state);
    }
    return bytes;
}

Bytes firmwareImage(std::size_t dataBytes, std::uint32_t loadAddress, unsigned seed)
{
    Bytes image{0x43, 0x59, 0x00, 0xB0};
    const auto put = [&image](std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            image.push_back(static_cast<unsigned char>(value >> shift));
        }
    };
    put(static_cast<std::uint32_t>(dataBytes / 4));
    put(loadAddress);
    const Bytes data = pattern(dataBytes, seed);
    image.insert(image.end(), data.begin(), data.end());
    put(0);
    put(loadAddress);
    return image;
}

Load load(std::uint32_t number, const std::string& type, const std::string& fileName)
{
    Load result;
    result.loadNumber = number;
    result.loadType = type;
    result.fileName = fileName;
    result.loadVersion = QVersionNumber(1, 0);
    return result;
}

Load imageLoad(std::uint32_t number, const std::string& type, std::uint32_t address, const Bytes& image)
{
    Load result = load(number, type, type + ".img");
    result.programmingMethod = PROGRAMMING_METHOD::WRITE_CYPRESS_IMAGE_TO_FLASH;
    result.versionVerificationMethod = LOAD_TYPE::BOOTLOADER;
    result.flashAddress = address;
    result.flashSize = 0x100000;
    result.data = image;
    return result;
}

Load bufferLoad(std::uint32_t number, const std::string& type, std::uint32_t address, const Bytes& data)
{
    Load result = load(number, type, type + ".bin");
    result.programmingMethod = PROGRAMMING_METHOD::WRITE_BUFFER_TO_FLASH;
    result.versionVerificationMethod = LOAD_TYPE::BOOTLOADER;
    result.flashAddress = address;
    result.flashSize = 0x100000;
    result.data = data;
    return result;
}

Bytes zipped(const QString& name, const QByteArray& content)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    EXPECT_TRUE(zip.open(QuaZip::mdCreate));
    QuaZipFile entry(&zip);
    EXPECT_TRUE(entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
    entry.write(content);
    entry.close();
    zip.close();
    return Bytes(bytes.begin(), bytes.end());
}

QString statusName(UpdateProgress::LoadStatus status)
{
    const char* key = QMetaEnum::fromType<UpdateProgress::LoadStatus>().valueToKey(static_cast<int>(status));
    return key != nullptr ? QString::fromLatin1(key) : QStringLiteral("?");
}

void RunRecorder::attach(CameraUpdate& engine)
{
    // Queued, as the window connects them: the worker's signals arrive here
    // on this thread through the event loop.
    connect(&engine, &CameraUpdate::updateStarted, this, &RunRecorder::onStarted);
    connect(&engine, &CameraUpdate::updateFailed, this, &RunRecorder::onFailed, Qt::QueuedConnection);
    connect(&engine, &CameraUpdate::updateCompleted, this, &RunRecorder::onCompleted, Qt::QueuedConnection);
    UpdateProgress& progress = engine.progress();
    connect(&progress, &UpdateProgress::fileProgress, this, &RunRecorder::onFileProgress,
            Qt::QueuedConnection);
    connect(&progress, &UpdateProgress::loadStatusProgress, this, &RunRecorder::onLoadStatus,
            Qt::QueuedConnection);
    connect(&progress, &UpdateProgress::overallProgress, this, &RunRecorder::onOverallProgress,
            Qt::QueuedConnection);
}

void RunRecorder::record(const QString& event)
{
    allOnOwnThread = allOnOwnThread && QThread::currentThread() == thread();
    events << event;
}

void RunRecorder::onStarted(bool started)
{
    record(QStringLiteral("started %1").arg(started ? 1 : 0));
}

void RunRecorder::onFailed(QString failure)
{
    failures << failure;
    record(QStringLiteral("failed ") + failure);
}

void RunRecorder::onCompleted()
{
    ++completions;
    record(QStringLiteral("completed"));
}

void RunRecorder::onFileProgress(uint32_t percent, std::string loadType)
{
    ++fileSignals;
    record(QStringLiteral("file %1 %2").arg(percent).arg(QString::fromStdString(loadType)));
}

void RunRecorder::onLoadStatus(UpdateProgress::LoadStatus status, std::string loadType)
{
    record(QStringLiteral("status %1 %2").arg(statusName(status), QString::fromStdString(loadType)));
}

void RunRecorder::onOverallProgress(uint32_t percent)
{
    ++overallSignals;
    record(QStringLiteral("overall %1").arg(percent));
}

QStringList RunRecorder::statusesOf(const QString& loadType) const
{
    QStringList statuses;
    for (const QString& event : events)
    {
        const QStringList words = event.split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QLatin1String("status") && words[2] == loadType)
        {
            statuses << words[1];
        }
    }
    return statuses;
}

QStringList RunRecorder::eventsOf(const QString& loadType) const
{
    QStringList matching;
    for (const QString& event : events)
    {
        const QStringList words = event.split(QLatin1Char(' '));
        if (words.size() == 3 && words[2] == loadType)
        {
            matching << words[0] + QLatin1Char(' ') + words[1];
        }
    }
    return matching;
}

} // namespace EngineTestSupport

std::string EngineRunTest::s_ListPath;

namespace
{

QJsonObject property(const char* name, const char* type, const char* value)
{
    return QJsonObject{{"Name", name},
                       {"Type", type},
                       {"Minimum", ""},
                       {"Maximum", ""},
                       {"Default", value},
                       {"ReadOnly", true},
                       {"AvailableForWriting", false},
                       {"Discrete", false},
                       {"ValueList", QJsonArray()}};
}

QJsonObject function(const char* name)
{
    return QJsonObject{{"Name", name}, {"Parameters", QJsonArray()}, {"Return Format", QJsonArray()}};
}

QJsonObject cameraEntry(const char* serial)
{
    QJsonArray properties{
        property("Vendor Name", "String", "Veltrax"),    property("Model Name", "String", "VX-Test"),
        property("Camera ID", "Integer", "4660"),        property("Hardware Revision", "Integer", "2"),
        property("Serial Number", "String", serial),     property("Firmware Version", "String", "2.4.1"),
        property("FPGA Version", "String", "1.7"),       property("FPGA2 Version", "String", "0.0"),
        property("AFE Timing Version", "String", "1.2"), property("USB3 Vision Mode", "Boolean", "Disabled")};
    QJsonArray functions;
    for (const char* name : {"Erase Flash", "Read Flash", "Write Flash", "Update Flash", "Read Flash Status",
                             "Write Flash Status", "Write Ram", "Reboot", "Jtag"})
    {
        functions.append(function(name));
    }
    return QJsonObject{{"Identification", QJsonObject{{"Serial Number", serial}, {"Model Name", "VX-Test"}}},
                       {"Properties", properties},
                       {"Functions", functions}};
}

} // namespace

void EngineRunTest::SetUpTestSuite()
{
    UpdateProgress::registerMetaTypes();
    s_ListPath = ::testing::TempDir() + "vx-engine-cameras-" + std::to_string(::getpid()) + ".json";
    const QJsonDocument list(QJsonObject{{"Cameras", QJsonArray{cameraEntry(SERIAL)}}});
    std::ofstream(s_ListPath, std::ios::binary | std::ios::trunc) << list.toJson().toStdString();
}

void EngineRunTest::TearDownTestSuite()
{
    std::remove(s_ListPath.c_str());
}

void EngineRunTest::SetUp()
{
    using namespace CameraInterface;
    SimulatedAdapter::SimulatedCamera::setCameraListFile(s_ListPath);
    // The list's cameras come as cameras that fail on cue, not as plain
    // simulated ones.
    CameraAdapters::remove("Simulated");
    CameraAdapters::add("FaultInjection",
                        []
                        {
                            std::vector<std::unique_ptr<Camera>> cameras;
                            cameras.push_back(std::make_unique<FaultInjectionCamera>(SERIAL, "VX-Test"));
                            return cameras;
                        });
    Camera::searchForNewCameras();
    m_Lease.emplace(Camera::acquireCamera(SERIAL));
    m_Camera = dynamic_cast<FaultInjectionCamera*>(&m_Lease->get());
    ASSERT_NE(m_Camera, nullptr);
    m_Camera->connect();
    m_Engine.setTiming(UpdateTiming{std::chrono::milliseconds(1), 10});
    m_Recorder.attach(m_Engine);
}

void EngineRunTest::TearDown()
{
    using namespace CameraInterface;
    m_Engine.waitUntilUpdateEnds();
    m_Lease.reset();
    Camera::unitialisedWorkpace();
    CameraAdapters::remove("FaultInjection");
    CameraAdapters::add("Simulated", &SimulatedAdapter::SimulatedCamera::getListOfCameras);
    SimulatedAdapter::SimulatedCamera::setCameraListFile("");
}

void EngineRunTest::select(std::vector<Load> loads)
{
    Package package;
    package.modelName = "VX-Test";
    package.modelId = 4660;
    package.loads = std::move(loads);
    m_Engine.setSelectedPackage(package);
}

bool EngineRunTest::runUpdate()
{
    m_Engine.isUpdateRequired();
    const bool started = m_Engine.startUpdate(*m_Lease);
    m_Engine.waitUntilUpdateEnds();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return started;
}

std::string EngineRunTest::flash(std::uint32_t address, std::size_t length)
{
    return camera().CameraInterface::SimulatedAdapter::SimulatedCamera::readFlash(
        address, static_cast<std::uint32_t>(length));
}

EngineTestSupport::Bytes EngineRunTest::flashBytes(std::uint32_t address, std::size_t length)
{
    const std::string bytes = flash(address, length);
    return EngineTestSupport::Bytes(bytes.begin(), bytes.end());
}

void EngineRunTest::reconnect()
{
    camera().disconnect();
    camera().connect();
}
