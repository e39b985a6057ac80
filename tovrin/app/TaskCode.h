#pragma once
// Work the user-interface thread hands to the worker. Any other value is dropped.
enum TaskCode : int {
    TaskRescanDevices = 1,
    TaskCheckSoftwareInteractive = 3,
    TaskCheckFirmwareInteractive = 4,
    TaskCheckSoftwareSilent = 5,
    TaskCheckFirmwareSilent = 6,
    TaskDownloadSoftware = 7,
    TaskDownloadFirmware = 8,
};
