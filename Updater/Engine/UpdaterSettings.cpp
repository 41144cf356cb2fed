#include "Engine/UpdaterSettings.h"

#include "Engine/UpdaterIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace UpdaterSettings
{

QString folder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QLatin1Char('/') + QLatin1String(UpdaterIdentity::ORGANISATION_NAME) +
                     QStringLiteral("/VxUpdater");
    QDir().mkpath(folder);
    return folder;
}

QString filePath()
{
    return folder() + QStringLiteral("/VxUpdater.ini");
}

QVariant value(const QString& key, const QVariant& fallback)
{
    const QString path = filePath();
    if (!QFileInfo(path).isFile())
    {
        return fallback;
    }
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(key, fallback);
}

} // namespace UpdaterSettings
