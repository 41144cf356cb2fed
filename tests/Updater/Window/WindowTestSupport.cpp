#include "WindowTestSupport.h"

#include "BundleFixtures.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraAdapters.h"
#include "Cameras/CameraLease.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTableWidget>
#include <QtTest>

namespace WindowTestSupport
{

namespace
{

constexpr char RIG_ADAPTER[] = "WindowRig";
constexpr int LEFT_OPEN_LIMIT = 10000;
constexpr char SIMULATED_ADAPTER[] = "Simulated";

QJsonObject property(const char* name, const char* type, const std::string& value)
{
    return QJsonObject{{"Name", name},
                       {"Type", type},
                       {"Minimum", ""},
                       {"Maximum", ""},
                       {"Default", QString::fromStdString(value)},
                       {"ReadOnly", true},
                       {"AvailableForWriting", false},
                       {"Discrete", false},
                       {"ValueList", QJsonArray()}};
}

QJsonObject entry(const RigCamera& camera)
{
    QJsonArray properties{property("Vendor Name", "String", camera.vendorName),
                          property("Model Name", "String", camera.modelName),
                          property("Camera ID", "Integer", camera.cameraId),
                          property("Hardware Revision", "Integer", camera.hardwareRevision),
                          property("Serial Number", "String", camera.serialNumber),
                          property("Firmware Version", "String", camera.firmwareVersion),
                          property("FPGA Version", "String", camera.fpgaVersion),
                          property("FPGA2 Version", "String", "0.0"),
                          property("AFE Timing Version", "String", camera.afeTimingVersion),
                          property("Driver Version", "String", "3.2.0"),
                          property("API Version", "String", "3.2.1"),
                          property("Hardware Interface", "String", "USB3")};
    if (!camera.usb3VisionMode.empty())
    {
        QJsonObject mode = property("USB3 Vision Mode", "Boolean", camera.usb3VisionMode);
        mode["ReadOnly"] = !camera.modeWritable;
        mode["AvailableForWriting"] = camera.modeWritable;
        properties.append(mode);
    }
    QJsonArray functions;
    for (const char* name : {"Erase Flash", "Read Flash", "Write Flash", "Update Flash", "Read Flash Status",
                             "Write Flash Status", "Write Ram", "Reboot", "Jtag"})
    {
        functions.append(
            QJsonObject{{"Name", name}, {"Parameters", QJsonArray()}, {"Return Format", QJsonArray()}});
    }
    return QJsonObject{
        {"Identification", QJsonObject{{"Serial Number", QString::fromStdString(camera.serialNumber)},
                                       {"Model Name", QString::fromStdString(camera.modelName)}}},
        {"Properties", properties},
        {"Functions", functions}};
}

} // namespace

CameraRig::CameraRig(const std::vector<RigCamera>& cameras) : m_Cameras(cameras)
{
    using namespace CameraInterface;
    QJsonArray list;
    for (const RigCamera& camera : cameras)
    {
        list.append(entry(camera));
    }
    const QString path = m_Folder.filePath(QStringLiteral("cameras.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
    {
        qFatal("cannot write the camera list");
    }
    file.write(QJsonDocument(QJsonObject{{"Cameras", list}}).toJson());
    file.close();
    SimulatedAdapter::SimulatedCamera::setCameraListFile(path.toStdString());
    Camera::setWatchdogPeriodsForTesting(20, 40);
    CameraAdapters::remove(SIMULATED_ADAPTER);
    CameraAdapters::add(RIG_ADAPTER, [this] { return enumerate(); });
}

std::vector<std::unique_ptr<CameraInterface::Camera>> CameraRig::enumerate()
{
    std::vector<std::unique_ptr<CameraInterface::Camera>> found;
    std::lock_guard<std::mutex> lock(m_Mutex);
    const auto now = std::chrono::steady_clock::now();
    for (const RigCamera& camera : m_Cameras)
    {
        if (m_Attached.count(camera.serialNumber) == 0)
        {
            continue;
        }
        auto listed = std::make_unique<UnpluggableCamera>(camera.serialNumber, camera.modelName);
        const auto vanishing = m_Vanishing.find(camera.serialNumber);
        if (vanishing != m_Vanishing.end())
        {
            Vanishing& state = vanishing->second;
            if (state.gone)
            {
                if (state.away.count() < 0 || now < state.rebootedAt + state.away)
                {
                    continue;
                }
                state.gone = false;
                state.listedAgainAt = now;
            }
            for (const auto& [name, value] : state.values)
            {
                listed->setProperty(name, value);
            }
            listed->onReboot = [this](UnpluggableCamera& rebooted)
            {
                this->rebooted(rebooted);
            };
        }
        found.push_back(std::move(listed));
    }
    return found;
}

void CameraRig::vanishOnReboot(const std::string& serialNumber, std::chrono::milliseconds away,
                               const std::map<std::string, std::string>& values)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        Vanishing& state = m_Vanishing[serialNumber];
        state.away = away;
        state.values = values;
    }
    camera(serialNumber).onReboot = [this](UnpluggableCamera& rebooted)
    {
        this->rebooted(rebooted);
    };
}

void CameraRig::rebooted(UnpluggableCamera& camera)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        Vanishing& state = m_Vanishing[camera.getSerialNumber()];
        state.rebootedAt = std::chrono::steady_clock::now();
        state.gone = true;
    }
    camera.unplug();
}

std::chrono::steady_clock::time_point CameraRig::rebootedAt(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Vanishing[serialNumber].rebootedAt;
}

std::chrono::steady_clock::time_point CameraRig::listedAgainAt(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Vanishing[serialNumber].listedAgainAt;
}

CameraRig::~CameraRig()
{
    using namespace CameraInterface;
    CameraAdapters::remove(RIG_ADAPTER);
    CameraAdapters::add(SIMULATED_ADAPTER, &SimulatedAdapter::SimulatedCamera::getListOfCameras);
    SimulatedAdapter::SimulatedCamera::setCameraListFile("");
    Camera::setWatchdogPeriodsForTesting(500, 5000);
}

void CameraRig::attach(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Attached.insert(serialNumber);
}

void CameraRig::detach(const std::string& serialNumber)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Attached.erase(serialNumber);
    }
    // A simulated camera stays alive by itself: a detached one dies, so the
    // disconnection pass drops it.
    try
    {
        CameraInterface::CameraLease lease = CameraInterface::Camera::acquireCamera(serialNumber);
        if (auto* camera = dynamic_cast<UnpluggableCamera*>(&lease.get()))
        {
            camera->unplug();
        }
    }
    catch (const std::exception&)
    {
    }
}

UnpluggableCamera& CameraRig::camera(const std::string& serialNumber)
{
    CameraInterface::CameraLease lease = CameraInterface::Camera::acquireCamera(serialNumber);
    auto* camera = dynamic_cast<UnpluggableCamera*>(&lease.get());
    if (!camera)
    {
        qFatal("not a rig camera");
    }
    return *camera;
}

bool CameraRig::isConnected(const std::string& serialNumber)
{
    return CameraInterface::Camera::acquireCamera(serialNumber)->isConnected();
}

PromptScript::PromptScript()
{
    ModalPrompts::setResponder(
        [this](const ModalPrompts::Prompt& prompt)
        {
            shown.append({prompt.kind, prompt.icon, prompt.title, prompt.text});
            if (onPrompt)
            {
                onPrompt(prompt);
            }
            ModalPrompts::Answer answer;
            if (prompt.kind == ModalPrompts::PROMPT_KIND::OPEN_FILE)
            {
                answer.fileName = fileToOpen;
                return answer;
            }
            answer.button = QMessageBox::Ok;
            if (prompt.buttons.testFlag(QMessageBox::Yes))
            {
                answer.button = QMessageBox::Yes;
                if (!answers.empty())
                {
                    answer.button = answers.front();
                    answers.pop_front();
                }
            }
            return answer;
        });
}

PromptScript::~PromptScript()
{
    ModalPrompts::setResponder({});
}

QStringList PromptScript::messages() const
{
    QStringList texts;
    for (const Shown& prompt : shown)
    {
        if (prompt.kind == ModalPrompts::PROMPT_KIND::MESSAGE)
        {
            texts << prompt.title + QLatin1Char('|') + prompt.text;
        }
    }
    return texts;
}

DialogScript::DialogScript()
{
    qApp->installEventFilter(this);
}

DialogScript::~DialogScript()
{
    qApp->removeEventFilter(this);
}

void DialogScript::on(const QString& objectName, std::function<void(QDialog&)> action)
{
    m_Actions[objectName] = std::move(action);
}

int DialogScript::shows(const QString& objectName) const
{
    const auto found = m_Shows.find(objectName);
    return found == m_Shows.end() ? 0 : found->second;
}

bool DialogScript::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
    {
        if (auto* dialog = qobject_cast<QDialog*>(watched))
        {
            ++m_Shows[dialog->objectName()];
            const auto found = m_Actions.find(dialog->objectName());
            if (found != m_Actions.end())
            {
                // Queued: the action runs inside the dialog's modal loop.
                std::function<void(QDialog&)> action = found->second;
                QPointer<QDialog> target(dialog);
                QMetaObject::invokeMethod(
                    this,
                    [action, target]
                    {
                        if (target)
                        {
                            action(*target);
                        }
                    },
                    Qt::QueuedConnection);
                // A failsafe, not an answer: a dialog the script left open
                // fails the test instead of hanging it.
                QTimer::singleShot(LEFT_OPEN_LIMIT, this,
                                   [target]
                                   {
                                       if (target && target->isVisible())
                                       {
                                           qWarning("a dialog was left open by the test script");
                                           target->reject();
                                       }
                                   });
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void press(QDialog& dialog, const QString& buttonText)
{
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
    {
        if (button->text() == buttonText)
        {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + buttonText));
}

void selectRowAndPress(QDialog& dialog, int row, const QString& buttonText)
{
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
    QVERIFY(table);
    table->setCurrentCell(row, 0);
    table->selectRow(row);
    press(dialog, buttonText);
}

namespace Bundles
{

QString flashLoad(int number, const QString& type, const QString& fileName, const QString& version,
                  int nextLoad, const QString& more)
{
    return BundleFixtures::load(
        QString::number(number), type, fileName,
        QStringLiteral("          <LoadVersion>%1</LoadVersion>\n"
                       "          <NextLoad>%2</NextLoad>\n"
                       "          <ProgrammingMethod>WriteBufferToFlash</ProgrammingMethod>\n"
                       "          <VersionVerificationMethod>%3</VersionVerificationMethod>\n"
                       "          <FlashAddress>0x%4</FlashAddress>\n"
                       "          <FlashSize>0x1000000</FlashSize>\n")
                .arg(version)
                .arg(nextLoad)
                .arg(type)
                .arg(0x100000 * number, 0, 16) +
            more);
}

QString package(const QString& loads, const QString& more, const QString& modelName)
{
    return BundleFixtures::package(modelName, QStringLiteral("0x1234"), loads, more);
}

QString write(const QString& path, const QString& packages, const std::map<QString, QByteArray>& files,
              const QString& attributes)
{
    return BundleFixtures::writeBundle(path, BundleFixtures::manifest(packages, attributes), files);
}

QByteArray content(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int index = 0; index < size; ++index)
    {
        bytes[index] = static_cast<char>((index * 31 + seed * 7) ^ (index >> 8));
    }
    return bytes;
}

} // namespace Bundles

QStringList tableRows(const QTableWidget& table)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row)
    {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
        {
            const QTableWidgetItem* item = table.item(row, column);
            cells << (item ? item->text() : QString());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace WindowTestSupport
