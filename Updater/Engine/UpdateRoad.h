#pragma once

#include "Engine/BundleSignature.h"
#include "Engine/OperatorTexts.h"
#include "Engine/TrustStore.h"

#include <QString>
#include <QVersionNumber>

#include <cstddef>
#include <cstdint>
#include <vector>

class BundleArchive;
class CameraUpdate;
class Package;
class UpdateHistory;

namespace CameraInterface
{
class Camera;
}

// The operator's road as both front ends take it, over one engine: accept a
// bundle, connect to the camera and check its vendor, find the packages that
// fit it, choose one and plan its loads, and after the update's reboot read
// the versions again and compare them with the package. Each step returns an
// Outcome carrying the text the operator is shown (OperatorTexts), so the
// window and vxupdate say the same words; how the text is shown (message box,
// status line, standard error) stays with the front end.
//
// Call order: acceptBundle; connectCamera (any time a camera is to be used);
// findPackages; choosePackage (or the engine's setSelectedPackage and then
// planLoads); loadRows for display; the engine's isUpdateRequired and
// startUpdate; after the run and CameraReboot, connectCamera and
// refreshAfterReboot.
//
// Ownership and threads: borrows the engine, which must outlive it; cameras
// are borrowed for one call (the caller holds a CameraLease). Every step runs
// on the thread that owns the engine and never while the engine's run is
// active. Library errors are caught inside the steps, logged with their
// complete message and turned into a failed Outcome.
class UpdateRoad
{
public:
    struct Outcome
    {
        // How a front end presents a failure: an information box or an error.
        enum class SEVERITY
        {
            NONE,
            INFORMATION,
            ERROR
        };

        bool succeeded = true;
        SEVERITY severity = SEVERITY::NONE;
        // Which fixed text the failure shows; COUNT when the text is a
        // library error's description.
        OPERATOR_TEXT reason = OPERATOR_TEXT::COUNT;
        // The operator text, translated and filled in; empty on success.
        QString text;
        // What a log or a terminal may add (the XML reader's error, the tags
        // compared, a library error's description, one line per differing
        // load); may be empty.
        QString detail;

        static Outcome failure(OPERATOR_TEXT reason, SEVERITY severity, const QString& text,
                               const QString& detail = QString());
    };

    // One load as the front ends list it.
    struct LoadRow
    {
        // How the new version compares with the camera's; the window colours
        // it black, red and dark green.
        enum class NEW_VERSION_MARK
        {
            PLAIN,
            OLDER,
            NEWER
        };

        std::uint32_t loadNumber = 0;
        // The manifest's form, "0x10".
        QString loadNumberText;
        QString loadType;
        QString fileName;
        // The camera's version, "N/A" when unknown.
        QString currentVersion;
        // The package's version, followed by " [F]" when forced.
        QString newVersion;
        // The package's version alone.
        QString newVersionNumber;
        bool forced = false;
        bool updateRequired = false;
        // The run programs it: update required or forced.
        bool programmed = false;
        // Programmed to a version older than the camera's.
        bool downgrade = false;
        // LoadDecision's word for it: "program", "forced", "resume",
        // "downgrade", "reinstall" or "skip".
        QString decision;
        // The window's load table lists every load but XSVF ones (played by
        // the load that follows them).
        bool inLoadTable = true;
        NEW_VERSION_MARK mark = NEW_VERSION_MARK::PLAIN;
    };

    explicit UpdateRoad(CameraUpdate& engine);

    // Loads the bundle, checks its signature against the trust store and its
    // policy, then the manifest's tag and, when asked, the required updater
    // version against `updaterVersion`. Failures: NO_PACKAGES_FOUND (detail:
    // the reason the archive or manifest was not read), SIGNATURE_REQUIRED,
    // SIGNATURE_INVALID, SIGNER_UNTRUSTED, SIGNER_REVOKED,
    // CATALOGUE_MISMATCH (detail: what was found), BINARIES_CORRUPTED
    // (detail: the tags compared), NEWER_UPDATER_REQUIRED (detail: both
    // versions). `signature()` then tells what was found of the signature.
    Outcome acceptBundle(const QString& path, const QVersionNumber& updaterVersion,
                         bool checkUpdaterVersion = true);

    // Connects the camera unless it is connected, checks that its "Vendor
    // Name" is "Veltrax" and logs its details ("Connected to camera." and one
    // line per property). Failures: CAMERA_NOT_PROGRAMMABLE (information;
    // detail: the vendor found), or a library error's description.
    static Outcome connectCamera(CameraInterface::Camera& camera);

    // The camera runs in USB3 Vision mode, in which the window offers no
    // update and vxupdate refuses one. Library errors propagate.
    static bool isInUsb3VisionMode(CameraInterface::Camera& camera);

    // Rebuilds the engine's compatible packages for the camera. Failures:
    // NO_COMPATIBLE_PACKAGE (information), BINARY_PACKAGE_FAILED filled with
    // the error's description (a property that cannot be read, a camera ID
    // that is no number).
    Outcome findPackages(CameraInterface::Camera& camera);

    // Selects the compatible package at `index` (a valid index of the
    // engine's compatiblePackages) and plans its loads.
    Outcome choosePackage(std::size_t index, CameraInterface::Camera& camera);

    // For the selected package: extractLoads, validateLoads,
    // readCurrentVersions, evaluateUpdates, the reinstall and the resume of
    // an interrupted or failed run when asked for (logged as a warning), then
    // applyEmbeddedAfeTiming; each downgrade is logged as a warning. Any
    // failure logs "Failed to read package information." and gives
    // PACKAGE_INFORMATION_FAILED with the error's description as detail.
    Outcome planLoads(CameraInterface::Camera& camera);

    // The selected package's loads by load number (manifest order among
    // equal numbers), as the front ends show them.
    static std::vector<LoadRow> loadRows(const Package& package);

    // After the update's reboot, on the camera that came back (connected and
    // checked with connectCamera): readCurrentVersions and evaluateUpdates,
    // then every load whose version the camera does not report as the
    // package's is a failure VERSIONS_DIFFER_AFTER_REBOOT, its detail one
    // line per such load ("FPGA: programmed 1.2, the camera reports 1.1").
    // Library errors give their description.
    Outcome refreshAfterReboot(CameraInterface::Camera& camera);

    // "%1 goes from %2 back to %3, an older version (downgrade)." for a row.
    static QString downgradeText(const LoadRow& row);

    // The history planLoads looks in for the camera's last run: when it was
    // interrupted, or failed inside a load, its unfinished loads are planned
    // again; borrowed, none by default.
    void setHistory(UpdateHistory* history) { m_History = history; }
    // planLoads also programs loads whose versions already match.
    void setReinstall(bool reinstall) { m_Reinstall = reinstall; }
    // After planLoads: the unfinished run it resumes (0 when none) and the
    // text that says so (empty when none).
    qint64 resumedRun() const { return m_ResumedRun; }
    const QString& resumeNotice() const { return m_ResumeNotice; }

    // The keys and the policy acceptBundle checks signatures against: until
    // set, none is trusted and unsigned bundles are accepted.
    void setTrust(TrustStore trust) { m_Trust = std::move(trust); }
    const TrustStore& trust() const { return m_Trust; }

    // Whether acceptBundle streams every entry of a signed bundle through its
    // digest (the default). A caller that hashes the load files itself turns
    // this off and completes the check with BundleSignature::checkContents
    // or refuseContent on `signature()`.
    void setSignedContentsChecked(bool checked) { m_SignedContentsChecked = checked; }

    // The signature finding of the last acceptBundle (unsigned before one).
    const BundleSignature& signature() const { return m_Signature; }
    BundleSignature& signature() { return m_Signature; }

private:
    bool checkSignature(const QString& path);
    void confirmEngineManifest(BundleArchive& archive);
    void resumeUnfinishedRun(const QString& serialNumber);
    void logDowngrades() const;

    CameraUpdate& m_Engine;
    TrustStore m_Trust;
    bool m_SignedContentsChecked = true;
    BundleSignature m_Signature;
    UpdateHistory* m_History = nullptr;
    bool m_Reinstall = false;
    qint64 m_ResumedRun = 0;
    QString m_ResumeNotice;
};
