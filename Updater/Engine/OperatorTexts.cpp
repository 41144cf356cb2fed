#include "Engine/OperatorTexts.h"

#include <QCoreApplication>

#include <array>
#include <cstddef>

namespace
{

struct Entry
{
    OPERATOR_TEXT id;
    const char* context;
    const char* source;
};

// QT_TRANSLATE_NOOP marks each text for the catalogue tools; the table keeps
// the context beside it.
constexpr std::array<Entry, static_cast<std::size_t>(OPERATOR_TEXT::COUNT)> TEXTS{{
    {OPERATOR_TEXT::BUNDLE_SELECTED, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Bundle selected: %1")},
    {OPERATOR_TEXT::NO_PACKAGES_FOUND, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "No packages found in the selected file.")},
    {OPERATOR_TEXT::BINARIES_CORRUPTED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The selected binaries appear to have been corrupted.")},
    {OPERATOR_TEXT::NEWER_UPDATER_REQUIRED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Selected binaries require a newer application version.\n"
                                     "Please download the latest updater.")},
    {OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow",
                       "The updater did not find a compatible package to update the connected camera.")},
    {OPERATOR_TEXT::BINARY_PACKAGE_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to load binary package: %1")},
    {OPERATOR_TEXT::PACKAGE_INFORMATION_LOG, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to read package information.")},
    {OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The updater failed to retrieve the selected package's information.")},
    {OPERATOR_TEXT::LOADING_LOAD_NUMBER, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Loading LoadNumber: %1")},
    {OPERATOR_TEXT::SIGNATURE_VALID, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Signature: valid, signed by %1 (%2)")},
    {OPERATOR_TEXT::SIGNATURE_NOT_SIGNED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Signature: not signed")},
    {OPERATOR_TEXT::UNSIGNED_BUNDLE_WARNING, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The bundle is not signed: nothing shows who made it or that it is "
                                     "unchanged since. It is accepted because signatures are not required.")},
    {OPERATOR_TEXT::SIGNATURE_REQUIRED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow",
                       "The bundle is not signed, and this updater accepts signed bundles only.")},
    {OPERATOR_TEXT::SIGNATURE_INVALID, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow",
                       "The bundle's signature does not verify: the bundle was changed after it "
                       "was signed, or its signature is damaged.")},
    {OPERATOR_TEXT::SIGNER_UNTRUSTED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The bundle is signed by a key this updater does not trust (%1).")},
    {OPERATOR_TEXT::SIGNER_REVOKED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The bundle is signed by a key that has been revoked (%1).")},
    {OPERATOR_TEXT::CATALOGUE_MISMATCH, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The bundle's files differ from the list of files its maker signed.")},
    {OPERATOR_TEXT::WORKSPACE_INITIALIZED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Workspace initialized.")},
    {OPERATOR_TEXT::WORKSPACE_UNINITIALIZED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Workspace uninitialized.")},
    {OPERATOR_TEXT::NO_CAMERA_CONNECTED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "There is no camera connected.")},
    {OPERATOR_TEXT::CONNECTING_TO_CAMERA, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Connecting to camera...")},
    {OPERATOR_TEXT::CANNOT_CONNECT_TO_CAMERA, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Can't connect to camera (sn: %1)...")},
    {OPERATOR_TEXT::CAMERA_NOT_PROGRAMMABLE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The application is unable to program the currently selected camera.")},
    {OPERATOR_TEXT::CAMERA_CONNECTED, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Camera connected.")},
    {OPERATOR_TEXT::CONNECTED_TO_CAMERA, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Connected to camera.")},
    {OPERATOR_TEXT::CONNECTION_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to connect to the camera: %1")},
    {OPERATOR_TEXT::CAMERA_IN_USB3_VISION_MODE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The camera runs in USB3 Vision mode, in which it cannot be updated; "
                                     "switch it to Ostra mode first.")},
    {OPERATOR_TEXT::NO_UPDATE_REQUIRED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "No update is required.")},
    {OPERATOR_TEXT::CONFIRM_UPDATE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Are you sure you want to proceed with the software update?\n"
                                     "Camera must not be disconnected during the update process.")},
    {OPERATOR_TEXT::UPDATING_CAMERA, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Updating camera...")},
    {OPERATOR_TEXT::UPDATE_START_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to start camera update.")},
    {OPERATOR_TEXT::LOADS_PROGRAMMED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "%1 load(s) programmed.")},
    {OPERATOR_TEXT::UPDATE_COMPLETED, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Update completed.")},
    {OPERATOR_TEXT::REBOOTING_CAMERA, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Rebooting camera...")},
    {OPERATOR_TEXT::CAMERA_REBOOTED, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Camera rebooted.")},
    {OPERATOR_TEXT::CAMERA_SERIAL_REBOOTED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Camera %1 rebooted.")},
    {OPERATOR_TEXT::UPDATE_AND_REBOOT_COMPLETED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Update completed. Camera successfully rebooted.")},
    {OPERATOR_TEXT::RECONNECTION_TIMED_OUT, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Camera reconnection timed out.")},
    {OPERATOR_TEXT::REBOOT_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Camera was not rebooted successfuly.")},
    {OPERATOR_TEXT::RECONNECT_SUGGESTION, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "\n\nPlease attempt to reconnect to camera.")},
    {OPERATOR_TEXT::RECONNECT_FAILED_AFTER, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to reconnect to camera after %1 milliseconds")},
    {OPERATOR_TEXT::REBOOT_START_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to initialize camera reboot.")},
    {OPERATOR_TEXT::REBOOT_THREAD_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to initialize reboot thread.")},
    {OPERATOR_TEXT::REBOOT_UPDATE_FAILED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Failed to update the camera.")},
    {OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The camera was programmed and rebooted, but it does not report the "
                                     "package's versions:")},
    {OPERATOR_TEXT::VERSION_DIFFERS_AFTER_REBOOT, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "%1: programmed %2, the camera reports %3")},
    {OPERATOR_TEXT::RESUMING_INTERRUPTED_UPDATE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow",
                       "The last update of this camera, on %1, was interrupted while programming "
                       "%2; its loads are programmed again.")},
    {OPERATOR_TEXT::RESUMING_FAILED_UPDATE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow",
                       "The last update of this camera, on %1, failed while programming %2; the loads "
                       "it left unfinished are programmed again.")},
    {OPERATOR_TEXT::INTERRUPTED_AFTER_LOADS, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The last update of this camera, on %1, was interrupted after its loads "
                                     "were programmed; the versions the camera reports decide.")},
    {OPERATOR_TEXT::LOAD_DOWNGRADE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "%1 goes from %2 back to %3, an older version (downgrade).")},
    {OPERATOR_TEXT::HISTORY_NOT_RECORDED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "This update is not recorded in the update history: %1")},
    {OPERATOR_TEXT::HISTORY_REQUIRED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The update was refused: it cannot be recorded in the update history, "
                                     "and this station requires a record of every update. %1")},
    {OPERATOR_TEXT::MODE_SWITCH_TITLE, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "Switching Camera Mode")},
    {OPERATOR_TEXT::MODE_SWITCH_QUESTION, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow",
                       "Are you sure you want to switch camera mode?\n\nCamera driver must be "
                       "installed first.\nPlease, make sure you have the proper drivers installed.")},
    {OPERATOR_TEXT::MODE_NOT_SUPPORTED, "MainWindow",
     QT_TRANSLATE_NOOP("MainWindow", "The camera %1 (SN: %2) doesn't support U3V mode or doesn't have an U3V "
                                     "xml file installed on it.")},
    {OPERATOR_TEXT::NOT_AVAILABLE, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "N/A")},
    {OPERATOR_TEXT::FORCED_MARK, "MainWindow", QT_TRANSLATE_NOOP("MainWindow", " [F]")},
}};

constexpr bool tableFollowsEnumeration()
{
    for (std::size_t index = 0; index < TEXTS.size(); ++index)
    {
        if (static_cast<std::size_t>(TEXTS[index].id) != index)
        {
            return false;
        }
    }
    return true;
}
static_assert(tableFollowsEnumeration(), "one entry per text, in the order of OPERATOR_TEXT");

struct StatusEntry
{
    UpdateProgress::LoadStatus status;
    const char* source;
};

constexpr std::array<StatusEntry, 7> STATUS_TEXTS{{
    {UpdateProgress::LoadStatus::None, ""},
    {UpdateProgress::LoadStatus::Updating, QT_TRANSLATE_NOOP("MainWindow", "Updating")},
    {UpdateProgress::LoadStatus::Loading, QT_TRANSLATE_NOOP("MainWindow", "Loading")},
    {UpdateProgress::LoadStatus::Verifying, QT_TRANSLATE_NOOP("MainWindow", "Verifying")},
    {UpdateProgress::LoadStatus::Skipped, QT_TRANSLATE_NOOP("MainWindow", "Skipped")},
    {UpdateProgress::LoadStatus::Failed, QT_TRANSLATE_NOOP("MainWindow", "Failed")},
    {UpdateProgress::LoadStatus::Done, QT_TRANSLATE_NOOP("MainWindow", "Done")},
}};

const Entry& entryOf(OPERATOR_TEXT text)
{
    return TEXTS.at(static_cast<std::size_t>(text));
}

} // namespace

namespace OperatorTexts
{

const char* context(OPERATOR_TEXT text)
{
    return entryOf(text).context;
}

const char* source(OPERATOR_TEXT text)
{
    return entryOf(text).source;
}

QString text(OPERATOR_TEXT text)
{
    const Entry& entry = entryOf(text);
    return QCoreApplication::translate(entry.context, entry.source);
}

QString loadStatusText(UpdateProgress::LoadStatus status)
{
    for (const StatusEntry& entry : STATUS_TEXTS)
    {
        if (entry.status == status && entry.source[0] != '\0')
        {
            return QCoreApplication::translate("MainWindow", entry.source);
        }
    }
    return QString();
}

} // namespace OperatorTexts
