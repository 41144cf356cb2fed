#pragma once

#include "Engine/BundleLimits.h"
#include "Engine/Manifest.h"
#include "Engine/Package.h"
#include "Engine/UpdateProgress.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVersionNumber>

#include <memory>
#include <string>
#include <vector>

namespace CameraInterface
{
class Camera;
}

// The updater's engine. The window calls its bundle operations in this order:
// loadBundle, isManifestAuthentic, requiresNewerUpdater, package matching; and
// once a package is selected, extractLoads and validateLoads.
class CameraUpdate : public QObject
{
    Q_OBJECT

public:
    static constexpr char MANIFEST_ENTRY[] = "Manifest.xml";

    explicit CameraUpdate(QObject* parent = nullptr);
    ~CameraUpdate() override;

    // Opens the bundle, parses its manifest and computes the manifest's tag.
    // False when the archive cannot be read or is refused, holds no
    // Manifest.xml, or the manifest is not well-formed XML (`lastError` says
    // why); true otherwise, also for a manifest without packages. Replaces
    // the previous manifest in every case.
    bool loadBundle(const QString& path);

    // The computed tag equals the manifest's `ManifestSecurityTag` exactly.
    bool isManifestAuthentic() const;

    // `applicationVersion` (major.minor.micro) is lower than the manifest's
    // required updater version.
    bool requiresNewerUpdater(const QVersionNumber& applicationVersion) const;

    // The folder of a package inside the bundle, for example
    // "Alpha-2_0x1A2B_Any_".
    static std::string packageFolderName(const Package& package);

    // Reads the file of every load of the selected package into its `data`;
    // a load whose file is missing, refused or damaged is left without data.
    void extractLoads();

    // Throws std::runtime_error "Failed to validate load <file name>." for the
    // first load of the selected package whose data does not match its tag.
    void validateLoads() const;

    // Rebuilds the list of packages that fit the camera: name (the commercial
    // name when there is one) equal to its "Model Name", ModelID equal to its
    // decimal "Camera ID", and its "Hardware Revision" or any revision. True
    // when one fits at least. A "Camera ID" or "Hardware Revision" text that
    // does not start with a decimal number throws std::invalid_argument, one
    // past 32 bits std::out_of_range (the list is then empty); library errors
    // reading the properties propagate.
    bool findCompatiblePackages(CameraInterface::Camera& camera);

    const QString& bundlePath() const { return m_BundlePath; }
    const Manifest& manifest() const { return m_Manifest; }
    const QString& lastError() const { return m_LastError; }
    const QByteArray& computedManifestTag() const { return m_ComputedManifestTag; }

    const std::vector<Package>& compatiblePackages() const { return m_CompatiblePackages; }
    Package* selectedPackage() { return m_SelectedPackage.get(); }
    const Package* selectedPackage() const { return m_SelectedPackage.get(); }
    void setSelectedPackage(const Package& package);
    void clearSelectedPackage();

    UpdateProgress& progress() { return *m_Progress; }

    // The size limits applied to bundles; narrower limits let tests and tools
    // reach them with small files.
    const BundleLimits& limits() const { return m_Limits; }
    void setLimits(const BundleLimits& limits) { m_Limits = limits; }

private:
    bool refuseBundle(const QString& reason);

    QString m_BundlePath;
    Manifest m_Manifest;
    QString m_LastError;
    std::vector<Package> m_CompatiblePackages;
    std::unique_ptr<Package> m_SelectedPackage;
    std::unique_ptr<UpdateProgress> m_Progress;
    QByteArray m_ComputedManifestTag;
    BundleLimits m_Limits;
};
