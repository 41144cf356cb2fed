#include "Window/AboutBox.h"

#include "Engine/UpdaterIdentity.h"
#include "Window/ModalPrompts.h"

#include <QCoreApplication>
#include <QVersionNumber>

namespace AboutBox
{

QString text()
{
    const QString version =
        QVersionNumber::fromString(QLatin1String(UpdaterIdentity::APPLICATION_VERSION)).toString();
    return QCoreApplication::translate("MainWindow", "%1 Application\n\nVersion %2")
        .arg(QLatin1String(UpdaterIdentity::APPLICATION_NAME), version);
}

void show(QWidget* parent)
{
    ModalPrompts::about(parent, QCoreApplication::translate("MainWindow", "About"), text());
}

} // namespace AboutBox
