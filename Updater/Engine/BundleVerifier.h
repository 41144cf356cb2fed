#pragma once

#include "Engine/BundleLimits.h"
#include "Engine/BundleSignature.h"
#include "Engine/Manifest.h"
#include "Engine/TrustStore.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVersionNumber>

#include <cstddef>
#include <vector>

class BundleArchive;
class CameraUpdate;

// Checks a bundle as the updater will take it: its signature (against the
// trust store and its policy), manifest readable with a matching tag,
// required updater version, packages and their loads listed, every load file
// present, within the limits and matching its tag. Load files are streamed
// (inflated and hashed chunk by chunk, never held whole), several at a time;
// a signed bundle's load files are hashed for the catalogue in the same pass.
class BundleVerifier
{
public:
    struct Options
    {
        // Skipped when a bundle is made for a later updater.
        bool checkUpdaterVersion = true;
        QVersionNumber updaterVersion;
        // Load files checked at the same time.
        int threads = 2;
        BundleLimits limits;
        // The keys and policy signatures are checked against; until set, no
        // key is trusted and unsigned bundles are accepted with a warning.
        TrustStore trust;
    };

    BundleVerifier();
    explicit BundleVerifier(Options options);

    // True when everything holds. Otherwise `lastError()` gives the first fault:
    // the text the window shows for it where there is one, then a line with
    // the details.
    bool verify(const QString& bundlePath);

    // What was found, one line each, in manifest order; warnings start with
    // "Warning: ".
    const QStringList& report() const { return m_Report; }
    const QString& lastError() const { return m_LastError; }

    // What the last verification found, for front ends that present it in
    // their own form: the manifest as the updater reads it (empty when it
    // could not be read), the warnings of the report, and the loads checked
    // up to the first fault, in manifest order.
    struct LoadFinding
    {
        std::size_t package = 0;
        std::size_t load = 0;
        qint64 size = 0;
        bool tagValid = false;
    };
    const Manifest& manifest() const { return m_Manifest; }
    const QStringList& warnings() const { return m_Warnings; }
    const std::vector<LoadFinding>& loadFindings() const { return m_LoadFindings; }
    const QVersionNumber& updaterVersion() const { return m_Options.updaterVersion; }
    // The signature finding; examined once the bundle could be read.
    const BundleSignature& signature() const { return m_Signature; }
    bool signatureExamined() const { return m_SignatureExamined; }

private:
    struct CheckPlan;

    bool fail(const QString& shownText, const QString& detail);
    bool verifyBundle(const QString& bundlePath);
    // The steps of verify: the front ends' acceptance (load, tag, required
    // version) with the reader's warnings; one check per distinct file; the
    // findings, package by package.
    bool acceptBundle(CameraUpdate& engine, BundleArchive& archive, const QString& bundlePath);
    CheckPlan planChecks(const QHash<QString, qint64>& sizes) const;
    bool reportPackages(const CheckPlan& plan);
    bool reportLoads(const CheckPlan& plan, std::size_t packageIndex, qint64& packageBytes);
    // The manifest and any other entry of a signed bundle against the
    // catalogue (the load files were hashed with their tags).
    bool checkOtherSignedEntries(BundleArchive& archive, const CheckPlan& plan);

    Options m_Options;
    QStringList m_Report;
    QString m_LastError;
    Manifest m_Manifest;
    QStringList m_Warnings;
    std::vector<LoadFinding> m_LoadFindings;
    BundleSignature m_Signature;
    bool m_SignatureExamined = false;
};
