// The board that the lab's stand-in driver describes: what a started board driver
// publishes for the setup program.
#pragma once

#include <windows.h>

struct BOARD_DESCRIPTION
{
    DWORD pciVendorId;
    DWORD pciDeviceId;
    DWORD pciSubsystemId;
    DWORD pciSubsystemVendorId;
    DWORD pciRevision;
    const char* port;   // the serial port that the board provides
};

// VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01 on COM3.
const BOARD_DESCRIPTION c_labBoard = { 0x00AB, 0x003C, 0x004D, 0x005E, 0x01, "COM3" };

// Finds the service that is starting this program: the one whose binary is this
// program and whose state is START_PENDING.
bool FindTheStartingService(char* serviceName, DWORD size);

// Writes the board's five PCI values below Services\<service>\Parameters\<service>0 and
// lists its port in HARDWARE\DEVICEMAP\SERIALCOMM as \Device\<service>0. The DWORDs
// PublishBoard and PublishPort of the service's Parameters key, when 0, leave out the
// whole board or only its port. TRUE when the port was listed.
bool PublishTheBoard(const char* serviceName);
// Lists the port in the serial-port map unless it is there already. Wine builds that map
// anew while a session starts, which can take away a port listed early: the service
// lists it again while it runs.
void PublishThePort(const char* serviceName);
// Takes the port out of the serial-port map again.
void WithdrawThePort(const char* serviceName);
