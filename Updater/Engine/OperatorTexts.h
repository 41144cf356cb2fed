#pragma once

#include "Engine/UpdateProgress.h"

#include <QString>

// Every text of the operator's road that more than one front end says: the
// window and vxupdate show and log these words and no others for the same
// event. Each text is kept once, with the translation context it is
// catalogued under (the window's class names, so the window's catalogue
// carries them). Texts with "%1" are filled by the caller with QString::arg.
enum class OPERATOR_TEXT
{
    // Bundle and package.
    BUNDLE_SELECTED,
    NO_PACKAGES_FOUND,
    BINARIES_CORRUPTED,
    NEWER_UPDATER_REQUIRED,
    NO_COMPATIBLE_PACKAGE,
    BINARY_PACKAGE_FAILED,
    PACKAGE_INFORMATION_LOG,
    PACKAGE_INFORMATION_FAILED,
    LOADING_LOAD_NUMBER,
    // The bundle's signature.
    SIGNATURE_VALID,
    SIGNATURE_NOT_SIGNED,
    UNSIGNED_BUNDLE_WARNING,
    SIGNATURE_REQUIRED,
    SIGNATURE_INVALID,
    SIGNER_UNTRUSTED,
    SIGNER_REVOKED,
    CATALOGUE_MISMATCH,
    // Camera connection.
    WORKSPACE_INITIALIZED,
    WORKSPACE_UNINITIALIZED,
    NO_CAMERA_CONNECTED,
    CONNECTING_TO_CAMERA,
    CANNOT_CONNECT_TO_CAMERA,
    CAMERA_NOT_PROGRAMMABLE,
    CAMERA_CONNECTED,
    CONNECTED_TO_CAMERA,
    CONNECTION_FAILED,
    CAMERA_IN_USB3_VISION_MODE,
    // The update.
    NO_UPDATE_REQUIRED,
    CONFIRM_UPDATE,
    UPDATING_CAMERA,
    UPDATE_START_FAILED,
    // Reboot and reconnection.
    LOADS_PROGRAMMED,
    UPDATE_COMPLETED,
    REBOOTING_CAMERA,
    CAMERA_REBOOTED,
    CAMERA_SERIAL_REBOOTED,
    UPDATE_AND_REBOOT_COMPLETED,
    RECONNECTION_TIMED_OUT,
    REBOOT_FAILED,
    RECONNECT_SUGGESTION,
    RECONNECT_FAILED_AFTER,
    REBOOT_START_FAILED,
    REBOOT_THREAD_FAILED,
    REBOOT_UPDATE_FAILED,
    VERSIONS_DIFFER_AFTER_REBOOT,
    VERSION_DIFFERS_AFTER_REBOOT,
    // The update history, resumed runs and older versions.
    RESUMING_INTERRUPTED_UPDATE,
    RESUMING_FAILED_UPDATE,
    INTERRUPTED_AFTER_LOADS,
    LOAD_DOWNGRADE,
    HISTORY_NOT_RECORDED,
    HISTORY_REQUIRED,
    // Camera mode.
    MODE_SWITCH_TITLE,
    MODE_SWITCH_QUESTION,
    MODE_NOT_SUPPORTED,
    // Load table cells.
    NOT_AVAILABLE,
    FORCED_MARK,
    // Keep last: the number of texts.
    COUNT
};

namespace OperatorTexts
{

// The translation context and the source (English) text. Valid for every
// value but COUNT.
const char* context(OPERATOR_TEXT text);
const char* source(OPERATOR_TEXT text);

// The text in the current language (QCoreApplication::translate with its
// context). Safe from any thread once the application object exists; without
// one the source text comes back.
QString text(OPERATOR_TEXT text);

// How a load's status is named in the load table and in vxupdate's progress:
// "Updating", "Loading", "Verifying", "Skipped", "Failed", "Done", and an
// empty text for None (and for a value outside the enumeration).
QString loadStatusText(UpdateProgress::LoadStatus status);

} // namespace OperatorTexts
