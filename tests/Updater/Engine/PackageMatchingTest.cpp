#include "Engine/CameraUpdate.h"

#include "BundleFixtures.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Exceptions/VxAppsException.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace BundleFixtures;
using CameraInterface::Camera;
using CameraInterface::SimulatedAdapter::SimulatedCamera;

namespace
{

QString property(const QString& name, const QString& type, const QString& value)
{
    return QStringLiteral(
               "{\"Name\": \"%1\", \"Type\": \"%2\", \"Minimum\": \"\", \"Maximum\": \"\", \"Default\": "
               "\"%3\", \"ReadOnly\": true, \"AvailableForWriting\": false, \"Discrete\": false, "
               "\"ValueList\": []}")
        .arg(name, type, value);
}

// A simulated camera reporting these identity texts; an empty text leaves the
// property out.
QString camera(const QString& serial, const QString& model, const QString& id, const QString& revision)
{
    QStringList properties{property("Model Name", "String", model)};
    if (!id.isEmpty())
    {
        properties << property("Camera ID", "String", id);
    }
    properties << property("Hardware Revision", "String", revision);
    return QStringLiteral("{\"Identification\": {\"Serial Number\": \"%1\", \"Model Name\": \"%2\"}, "
                          "\"Properties\": [%3], \"Functions\": []}")
        .arg(serial, model, properties.join(", "));
}

class PackageMatching : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QStringList cameras{
            camera("REV2", "VX-2448M", "4660", "2"),       camera("REV0", "VX-2448M", "4660", "0"),
            camera("ALPHA", "Vx Alpha", "4660", "7"),      camera("BLANKS", "VX-2448M", "  4660 (USB)", "2x"),
            camera("TEXTID", "VX-2448M", "id 4660", "2"),  camera("BIGID", "VX-2448M", "4294967296", "2"),
            camera("TEXTREV", "VX-2448M", "4660", "rev2"), camera("NOID", "VX-2448M", QString(), "2"),
            camera("OTHER", "VX-9000", "abc", "x"),        camera("ZEROX", "VX-2448M", "0x1234", "2")};
        QFile list(m_Folder.filePath("cameras.json"));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(QStringLiteral("{\"Cameras\": [%1]}").arg(cameras.join(",\n")).toUtf8());
        list.close();
        SimulatedCamera::setCameraListFile(list.fileName().toStdString());
        for (auto& found : SimulatedCamera::getListOfCameras())
        {
            found->connect();
            m_Cameras[found->getSerialNumber()] = std::move(found);
        }
        ASSERT_EQ(m_Cameras.size(), 10u);

        const auto pkg = [](const QString& name, const QString& id, const QString& more)
        {
            return package(name, id, QString(), more);
        };
        const QByteArray manifestBytes =
            manifest(pkg("VX-2448M", "0x1234",
                         "      <HardwareRevision>2</HardwareRevision><ModelFamily>p0</ModelFamily>\n") +
                     pkg("VX-2448M", "1234",
                         "      <HardwareRevision>2</HardwareRevision><ModelFamily>p1</ModelFamily>\n") +
                     pkg("VX-2448M", "0x1234",
                         "      <CommercialName>Vx Alpha</CommercialName><ModelFamily>p2</ModelFamily>\n") +
                     pkg("VX-2448M", "0x1234", "      <ModelFamily>p3</ModelFamily>\n") +
                     pkg("VX-2448M", "0x1234",
                         "      <HardwareRevision>0</HardwareRevision><ModelFamily>p4</ModelFamily>\n") +
                     pkg("vx-2448m", "0x1234", "      <ModelFamily>p5</ModelFamily>\n") +
                     pkg("VX-2448M", "4660", "      <ModelFamily>p6</ModelFamily>\n") +
                     pkg("VX-2448M", "0x1234",
                         "      <HardwareRevision>Any</HardwareRevision><ModelFamily>p7</ModelFamily>\n") +
                     pkg("VX-2448M ", "0x1234", "      <ModelFamily>p8</ModelFamily>\n"));
        ASSERT_TRUE(m_Engine.loadBundle(writeBundle(m_Folder.filePath("b.zip"), manifestBytes, {})));
        ASSERT_EQ(m_Engine.manifest().packages.size(), 9u);
    }

    void TearDown() override
    {
        m_Cameras.clear();
        SimulatedCamera::setCameraListFile("");
    }

    // The families of the packages that fit, in order.
    std::vector<std::string> fitting(const std::string& serial)
    {
        const bool found = m_Engine.findCompatiblePackages(*m_Cameras.at(serial));
        std::vector<std::string> families;
        for (const Package& package : m_Engine.compatiblePackages())
        {
            families.push_back(package.modelFamily);
        }
        EXPECT_EQ(found, !families.empty());
        return families;
    }

    template <typename Error> std::string failure(const std::string& serial)
    {
        try
        {
            m_Engine.findCompatiblePackages(*m_Cameras.at(serial));
        }
        catch (const Error& error)
        {
            EXPECT_TRUE(m_Engine.compatiblePackages().empty());
            return error.what();
        }
        ADD_FAILURE() << "no failure for " << serial;
        return {};
    }

    QTemporaryDir m_Folder;
    std::map<std::string, std::unique_ptr<Camera>> m_Cameras;
    CameraUpdate m_Engine;
};

} // namespace

TEST_F(PackageMatching, NameIdAndRevisionMustAllFit)
{
    // Hexadecimal ModelID 0x1234 and 1234 both are the camera's decimal 4660;
    // ModelID 4660 is hexadecimal and is another camera.
    EXPECT_EQ(fitting("REV2"), (std::vector<std::string>{"p0", "p1", "p3"}));
    EXPECT_EQ(fitting("REV0"), (std::vector<std::string>{"p3", "p4", "p7"}));
}

TEST_F(PackageMatching, CommercialNameTakesThePlaceOfTheModelName)
{
    EXPECT_EQ(fitting("ALPHA"), (std::vector<std::string>{"p2"}));
}

TEST_F(PackageMatching, NumbersAreReadUpToTheFirstNonDigit)
{
    EXPECT_EQ(fitting("BLANKS"), (std::vector<std::string>{"p0", "p1", "p3"}));
    // "0x1234" is the number 0 followed by text.
    EXPECT_TRUE(fitting("ZEROX").empty());
}

TEST_F(PackageMatching, CameraTextsThatAreNotNumbersThrow)
{
    LogCapture log;
    EXPECT_EQ(failure<std::invalid_argument>("TEXTID"),
              "The camera's \"Camera ID\" is not a decimal number: \"id 4660\".");
    EXPECT_EQ(failure<std::out_of_range>("BIGID"),
              "The camera's \"Camera ID\" does not fit 32 bits: \"4294967296\".");
    EXPECT_EQ(failure<std::invalid_argument>("TEXTREV"),
              "The camera's \"Hardware Revision\" is not a decimal number: \"rev2\".");
    EXPECT_EQ(log.lines(),
              QStringList({"[error] The camera's \"Camera ID\" is not a decimal number: \"id 4660\".",
                           "[error] The camera's \"Camera ID\" does not fit 32 bits: \"4294967296\".",
                           "[error] The camera's \"Hardware Revision\" is not a decimal number: \"rev2\"."}));
    // A library error reading a property propagates as it is.
    EXPECT_THROW(m_Engine.findCompatiblePackages(*m_Cameras.at("NOID")), VxAppsExceptions::VxAppsException);
}

TEST_F(PackageMatching, NumbersAreOnlyReadForPackagesOfTheCamerasName)
{
    EXPECT_TRUE(fitting("OTHER").empty());
    // The list is rebuilt on every call.
    EXPECT_FALSE(fitting("REV2").empty());
    EXPECT_TRUE(fitting("OTHER").empty());
}

TEST_F(PackageMatching, NoPackagesNoMatch)
{
    ASSERT_TRUE(m_Engine.loadBundle(
        writeBundle(m_Folder.filePath("none.zip"), manifest(package("VX-9000", "1", QString())), {})));
    EXPECT_TRUE(fitting("REV2").empty());
}
