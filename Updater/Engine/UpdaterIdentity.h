#pragma once

#include <QString>
#include <QVersionNumber>

// Who the updater is, shared by its front ends.
namespace UpdaterIdentity
{

constexpr char ORGANISATION_NAME[] = "Veltrax Corporation";
constexpr char APPLICATION_NAME[] = "Veltrax VxUpdater";
constexpr char APPLICATION_VERSION[] = "3.0.0.10229";

// The version a bundle's required updater version is compared with: the
// application version cut to major.minor.micro.
QVersionNumber versionForBundles(const QString& applicationVersion = QLatin1String(APPLICATION_VERSION));

} // namespace UpdaterIdentity
