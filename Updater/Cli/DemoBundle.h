#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

// A demonstration bundle for simulated cameras, generated here (no real
// firmware is involved): one package per model and hardware revision, with a boot loader and a
// firmware in the programmer's image format, an FPGA bit stream written
// bit-reversed, a zipped USB3 Vision description file with its information
// record, and AFE timing data that the camera's own version makes
// unnecessary.
//
// Simulated cameras report fixed versions whatever their flash holds, so the
// flash loads are verified by comparing flash with the load
// (VersionVerificationMethod "Bootloader"); the description file by its
// record. An update with the bundle therefore changes what the camera
// reports for those loads.
class DemoBundle
{
public:
    // One package is made per camera entry: the entries name distinct
    // models and hardware revisions.
    struct Camera
    {
        std::string modelName;
        std::uint32_t cameraId = 0;
        // The package fits this revision only; a negative one fits any.
        std::int32_t hardwareRevision = -1;
        // Cameras of the emulated vendor driver report the firmware and FPGA
        // versions stamped into what was programmed (a "VXVS" stamp: see the
        // README's emulated cameras); their packages carry such stamps and
        // are verified by the versions the camera reports.
        bool reportsProgrammedVersions = false;
    };

    // Load files by "<package folder>/<file name>".
    using Files = std::map<QString, QByteArray>;

    explicit DemoBundle(const std::vector<Camera>& cameras);

    const QByteArray& manifest() const { return m_Manifest; }
    const Files& files() const { return m_Files; }

    // An image of `sections` sections of `sectionBytes` bytes each (a multiple
    // of 4), loaded from `loadAddress` on and started there.
    static QByteArray firmwareImage(std::mt19937& random, int sections, int sectionBytes,
                                    std::uint32_t loadAddress);
    // A zip holding "<model>.xml", whose RegisterDescription carries the
    // version.
    // The emulator's version stamp: "VXVS", the version 0xMMmm and its
    // complement, both little-endian.
    static QByteArray versionStamp(int major, int minor);
    static QByteArray descriptionFile(const QString& modelName, int major, int minor, int subMinor);

private:
    void addPackage(class QXmlStreamWriter& writer, const Camera& camera);

    QByteArray m_Manifest;
    Files m_Files;
};
