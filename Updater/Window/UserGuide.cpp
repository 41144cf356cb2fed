#include "Window/UserGuide.h"

#include "Engine/EngineLog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include <utility>

UserGuide::Opener UserGuide::m_Opener;

QUrl UserGuide::url()
{
    return locate(QCoreApplication::applicationDirPath());
}

QUrl UserGuide::locate(const QString& programFolder)
{
    const QString beside = programFolder + QLatin1Char('/') + QLatin1String(FILE_NAME);
    if (QFileInfo::exists(beside))
    {
        return QUrl::fromLocalFile(beside);
    }
    const QString installed =
        QDir::cleanPath(programFolder + QLatin1Char('/') + QLatin1String(VX_GUIDE_FROM_PROGRAM) +
                        QLatin1Char('/') + QLatin1String(FILE_NAME));
    return QUrl::fromLocalFile(QFileInfo::exists(installed) ? installed : beside);
}

bool UserGuide::open(const std::function<void(const QString&)>& showError)
{
    const QUrl guide = url();
    EngineLog::info(
        QCoreApplication::translate("MainWindow", "Opening user guide file: %1").arg(guide.toString()));
    // The platform's opener hands the URL to a viewer and succeeds whether or
    // not the file is there, so a missing guide is caught here.
    const QFileInfo file(guide.toLocalFile());
    const bool readable = file.isFile() && file.isReadable();
    const bool opened = readable && (m_Opener ? m_Opener(guide) : QDesktopServices::openUrl(guide));
    if (!opened)
    {
        showError(QCoreApplication::translate("MainWindow", "User guide file not found.\n(%1)")
                      .arg(guide.toString()));
    }
    return opened;
}

void UserGuide::setOpenerForTesting(Opener opener)
{
    m_Opener = std::move(opener);
}
