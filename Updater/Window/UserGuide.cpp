#include "Window/UserGuide.h"

#include "Engine/EngineLog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>

#include <utility>

UserGuide::Opener UserGuide::m_Opener;

QUrl UserGuide::url()
{
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                               QLatin1String(FILE_NAME));
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
