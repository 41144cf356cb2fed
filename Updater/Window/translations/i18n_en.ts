<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>CameraUpdate</name>
    <message>
        <source>Extracting load path: %1</source>
        <translation>Extracting load path: %1</translation>
    </message>
    <message>
        <source>Failed to validate load %1.</source>
        <translation>Failed to validate load %1.</translation>
    </message>
    <message>
        <source>The selected package could not be programmed.</source>
        <translation>The selected package could not be programmed.</translation>
    </message>
    <message>
        <source>Programming unsuccessful.</source>
        <translation>Programming unsuccessful.</translation>
    </message>
    <message>
        <source>Starting update process for load %1.</source>
        <translation>Starting update process for load %1.</translation>
    </message>
    <message>
        <source>An error occurred during the update process.</source>
        <translation>An error occurred during the update process.</translation>
    </message>
    <message>
        <source>Camera was disconnected during update.</source>
        <translation>Camera was disconnected during update.</translation>
    </message>
    <message>
        <source>Pre-Programming step finished with: %1</source>
        <translation>Pre-Programming step finished with: %1</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>Success</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>Programming step finished with status: %1</source>
        <translation>Programming step finished with status: %1</translation>
    </message>
    <message>
        <source>Post-Programming step finished with status: %1</source>
        <translation>Post-Programming step finished with status: %1</translation>
    </message>
    <message>
        <source>Version for load %1(%2) is %3</source>
        <translation>Version for load %1(%2) is %3</translation>
    </message>
</context>
<context>
    <name>DialogSelectCamera</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>Model Name</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Serial Number</translation>
    </message>
    <message>
        <source>Camera Selection</source>
        <translation>Camera Selection</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>No camera has been selected.</source>
        <translation>No camera has been selected.</translation>
    </message>
</context>
<context>
    <name>DialogSelectPackage</name>
    <message>
        <source>Package Selection</source>
        <translation>Package Selection</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>HW</source>
        <translation>HW</translation>
    </message>
    <message>
        <source>Any</source>
        <translation>Any</translation>
    </message>
    <message>
        <source>Can&apos;t find load type: %1</source>
        <translation>Can&apos;t find load type: %1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>There is no package selected.</source>
        <translation>There is no package selected.</translation>
    </message>
</context>
<context>
    <name>DialogShowLogText</name>
    <message>
        <source>Displaying Log:</source>
        <translation>Displaying Log:</translation>
    </message>
    <message>
        <source>Open Log</source>
        <translation>Open Log</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Select Log File</source>
        <translation>Select Log File</translation>
    </message>
    <message>
        <source>Log File (%1_*)</source>
        <translation>Log File (%1_*)</translation>
    </message>
    <message>
        <source>Displaying Log: </source>
        <translation>Displaying Log: </translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Veltrax VxUpdater</source>
        <translation>Veltrax VxUpdater</translation>
    </message>
    <message>
        <source>Camera Mode</source>
        <translation>Camera Mode</translation>
    </message>
    <message>
        <source>Ostra Mode</source>
        <translation>Ostra Mode</translation>
    </message>
    <message>
        <source>USB3 Vision Mode</source>
        <translation>USB3 Vision Mode</translation>
    </message>
    <message>
        <source>Camera Details</source>
        <translation>Camera Details</translation>
    </message>
    <message>
        <source>Model Name:</source>
        <translation>Model Name:</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>N/A</translation>
    </message>
    <message>
        <source>Hardware:</source>
        <translation>Hardware:</translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation>Serial Number:</translation>
    </message>
    <message>
        <source>System Details</source>
        <translation>System Details</translation>
    </message>
    <message>
        <source>Driver:</source>
        <translation>Driver:</translation>
    </message>
    <message>
        <source>API:</source>
        <translation>API:</translation>
    </message>
    <message>
        <source>File Progress:</source>
        <translation>File Progress:</translation>
    </message>
    <message>
        <source>Overall Progress:</source>
        <translation>Overall Progress:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Select Binaries</source>
        <translation>Select Binaries</translation>
    </message>
    <message>
        <source>Select Package</source>
        <translation>Select Package</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Languages</source>
        <translation>Languages</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Connect to Camera...</source>
        <translation>&amp;Connect to Camera...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Show Log File...</source>
        <translation>Show Log File...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>User guide</source>
        <translation>User guide</translation>
    </message>
    <message>
        <source>%1 Application

Version %2</source>
        <translation>%1 Application

Version %2</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Workspace initialized.</source>
        <translation>Workspace initialized.</translation>
    </message>
    <message>
        <source>Application initialized.</source>
        <translation>Application initialized.</translation>
    </message>
    <message>
        <source>Workspace uninitialized.</source>
        <translation>Workspace uninitialized.</translation>
    </message>
    <message>
        <source>Application terminated.</source>
        <translation>Application terminated.</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Updating</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>Loading</translation>
    </message>
    <message>
        <source>Verifying</source>
        <translation>Verifying</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Terminating application.</source>
        <translation>Terminating application.</translation>
    </message>
    <message>
        <source>An update is in progress.
Are you sure you want to close the application?</source>
        <translation>An update is in progress.
Are you sure you want to close the application?</translation>
    </message>
    <message>
        <source>Camera %1 disconnected.</source>
        <translation>Camera %1 disconnected.</translation>
    </message>
    <message>
        <source>Camera disconnected.</source>
        <translation>Camera disconnected.</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Camera already connected.</source>
        <translation>Camera already connected.</translation>
    </message>
    <message>
        <source>Connecting to camera...</source>
        <translation>Connecting to camera...</translation>
    </message>
    <message>
        <source>Camera connected.</source>
        <translation>Camera connected.</translation>
    </message>
    <message>
        <source>Can&apos;t connect to camera (sn: %1)...</source>
        <translation>Can&apos;t connect to camera (sn: %1)...</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>New Version</source>
        <translation>New Version</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Loading LoadNumber: %1</source>
        <translation>Loading LoadNumber: %1</translation>
    </message>
    <message>
        <source>Archive Files (*.zip)</source>
        <translation>Archive Files (*.zip)</translation>
    </message>
    <message>
        <source>Bundle selected: %1</source>
        <translation>Bundle selected: %1</translation>
    </message>
    <message>
        <source>No packages found in the selected file.</source>
        <translation>No packages found in the selected file.</translation>
    </message>
    <message>
        <source>The selected binaries appear to have been corrupted.</source>
        <translation>The selected binaries appear to have been corrupted.</translation>
    </message>
    <message>
        <source>Failed to load binary package: %1</source>
        <translation>Failed to load binary package: %1</translation>
    </message>
    <message>
        <source>Failed to read package information.</source>
        <translation>Failed to read package information.</translation>
    </message>
    <message>
        <source>Are you sure you want to proceed with the software update?
Camera must not be disconnected during the update process.</source>
        <translation>Are you sure you want to proceed with the software update?
Camera must not be disconnected during the update process.</translation>
    </message>
    <message>
        <source>Updating camera...</source>
        <translation>Updating camera...</translation>
    </message>
    <message>
        <source>Failed to start camera update.</source>
        <translation>Failed to start camera update.</translation>
    </message>
    <message>
        <source>Update completed.</source>
        <translation>Update completed.</translation>
    </message>
    <message>
        <source>Change language from %1 to %2</source>
        <translation>Change language from %1 to %2</translation>
    </message>
    <message>
        <source>Failed to connect to the camera: %1</source>
        <translation>Failed to connect to the camera: %1</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The updater failed to retrieve the selected package&apos;s information.</source>
        <translation>The updater failed to retrieve the selected package&apos;s information.</translation>
    </message>
    <message>
        <source>The application is unable to program the currently selected camera.</source>
        <translation>The application is unable to program the currently selected camera.</translation>
    </message>
    <message>
        <source>There is no camera connected.</source>
        <translation>There is no camera connected.</translation>
    </message>
    <message>
        <source>The updater did not find a compatible package to update the connected camera.</source>
        <translation>The updater did not find a compatible package to update the connected camera.</translation>
    </message>
    <message>
        <source>No update is required.</source>
        <translation>No update is required.</translation>
    </message>
    <message>
        <source>Selected binaries require a newer application version.
Please download the latest updater.</source>
        <translation>Selected binaries require a newer application version.
Please download the latest updater.</translation>
    </message>
    <message>
        <source>Opening user guide file: %1</source>
        <translation>Opening user guide file: %1</translation>
    </message>
    <message>
        <source>User guide file not found.
(%1)</source>
        <translation>User guide file not found.
(%1)</translation>
    </message>
    <message>
        <source>Connected to camera.</source>
        <translation>Connected to camera.</translation>
    </message>
    <message>
        <source>The camera runs in USB3 Vision mode, in which it cannot be updated; switch it to Ostra mode first.</source>
        <translation>The camera runs in USB3 Vision mode, in which it cannot be updated; switch it to Ostra mode first.</translation>
    </message>
    <message>
        <source>%1 load(s) programmed.</source>
        <translation>%1 load(s) programmed.</translation>
    </message>
    <message>
        <source>Rebooting camera...</source>
        <translation>Rebooting camera...</translation>
    </message>
    <message>
        <source>Camera rebooted.</source>
        <translation>Camera rebooted.</translation>
    </message>
    <message>
        <source>Camera %1 rebooted.</source>
        <translation>Camera %1 rebooted.</translation>
    </message>
    <message>
        <source>Update completed. Camera successfully rebooted.</source>
        <translation>Update completed. Camera successfully rebooted.</translation>
    </message>
    <message>
        <source>Camera reconnection timed out.</source>
        <translation>Camera reconnection timed out.</translation>
    </message>
    <message>
        <source>Camera was not rebooted successfuly.</source>
        <translation>Camera was not rebooted successfuly.</translation>
    </message>
    <message>
        <source>

Please attempt to reconnect to camera.</source>
        <translation>

Please attempt to reconnect to camera.</translation>
    </message>
    <message>
        <source>Failed to reconnect to camera after %1 milliseconds</source>
        <translation>Failed to reconnect to camera after %1 milliseconds</translation>
    </message>
    <message>
        <source>The camera was programmed and rebooted, but it does not report the package&apos;s versions:</source>
        <translation>The camera was programmed and rebooted, but it does not report the package&apos;s versions:</translation>
    </message>
    <message>
        <source>%1: programmed %2, the camera reports %3</source>
        <translation>%1: programmed %2, the camera reports %3</translation>
    </message>
    <message>
        <source> [F]</source>
        <translation> [F]</translation>
    </message>
    <message>
        <source>Failed to initialize camera reboot.</source>
        <translation>Failed to initialize camera reboot.</translation>
    </message>
    <message>
        <source>Failed to initialize reboot thread.</source>
        <translation>Failed to initialize reboot thread.</translation>
    </message>
    <message>
        <source>Failed to update the camera.</source>
        <translation>Failed to update the camera.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Switching Camera Mode</source>
        <translation>Switching Camera Mode</translation>
    </message>
    <message>
        <source>Are you sure you want to switch camera mode?

Camera driver must be installed first.
Please, make sure you have the proper drivers installed.</source>
        <translation>Are you sure you want to switch camera mode?

Camera driver must be installed first.
Please, make sure you have the proper drivers installed.</translation>
    </message>
    <message>
        <source>The camera %1 (SN: %2) doesn&apos;t support U3V mode or doesn&apos;t have an U3V xml file installed on it.</source>
        <translation>The camera %1 (SN: %2) doesn&apos;t support U3V mode or doesn&apos;t have an U3V xml file installed on it.</translation>
    </message>
    <message>
        <source>Signature: valid, signed by %1 (%2)</source>
        <translation>Signature: valid, signed by %1 (%2)</translation>
    </message>
    <message>
        <source>Signature: not signed</source>
        <translation>Signature: not signed</translation>
    </message>
    <message>
        <source>The bundle is not signed: nothing shows who made it or that it is unchanged since. It is accepted because signatures are not required.</source>
        <translation>The bundle is not signed: nothing shows who made it or that it is unchanged since. It is accepted because signatures are not required.</translation>
    </message>
    <message>
        <source>The bundle is not signed, and this updater accepts signed bundles only.</source>
        <translation>The bundle is not signed, and this updater accepts signed bundles only.</translation>
    </message>
    <message>
        <source>The bundle&apos;s signature does not verify: the bundle was changed after it was signed, or its signature is damaged.</source>
        <translation>The bundle&apos;s signature does not verify: the bundle was changed after it was signed, or its signature is damaged.</translation>
    </message>
    <message>
        <source>The bundle is signed by a key this updater does not trust (%1).</source>
        <translation>The bundle is signed by a key this updater does not trust (%1).</translation>
    </message>
    <message>
        <source>The bundle is signed by a key that has been revoked (%1).</source>
        <translation>The bundle is signed by a key that has been revoked (%1).</translation>
    </message>
    <message>
        <source>The bundle&apos;s files differ from the list of files its maker signed.</source>
        <translation>The bundle&apos;s files differ from the list of files its maker signed.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>You already have this app running.
Only one instance is allowed.</source>
        <translation>You already have this app running.
Only one instance is allowed.</translation>
    </message>
</context>
</TS>
