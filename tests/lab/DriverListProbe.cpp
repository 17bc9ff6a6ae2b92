// LABPROBE.EXE <output file> <exit code>: asks the device installer for the class
// drivers of a new element of the Modem class and writes their descriptions, one a
// line, into the output file ("SetupDiBuildDriverInfoList failed <error>" when it
// offers none); then exits with the exit code given.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <cstdlib>

namespace
{
void WriteDrivers(FILE* output)
{
    GUID classGuid;
    DWORD requiredSize = 0;
    if (!::SetupDiClassGuidsFromNameW(L"Modem", &classGuid, 1, &requiredSize) || requiredSize != 1)
    {
        fprintf(output, "no Modem class\n");
        return;
    }
    HDEVINFO set = ::SetupDiCreateDeviceInfoList(&classGuid, NULL);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    if (!::SetupDiCreateDeviceInfoW(set, L"LAB_PROBE", &classGuid, L"probe", NULL, DICD_GENERATE_ID, &device))
        fprintf(output, "SetupDiCreateDeviceInfoW failed %lu\n", ::GetLastError());
    else if (!::SetupDiBuildDriverInfoList(set, &device, SPDIT_CLASSDRIVER))
        fprintf(output, "SetupDiBuildDriverInfoList failed %lu\n", ::GetLastError());
    else
    {
        SP_DRVINFO_DATA_W driver = {};
        driver.cbSize = sizeof(driver);
        for (DWORD index = 0; ::SetupDiEnumDriverInfoW(set, &device, SPDIT_CLASSDRIVER, index, &driver); index++)
        {
            char description[LINE_LEN * 2];
            ::WideCharToMultiByte(CP_ACP, 0, driver.Description, -1, description, sizeof(description), NULL, NULL);
            fprintf(output, "%s\n", description);
        }
        ::SetupDiDestroyDriverInfoList(set, &device, SPDIT_CLASSDRIVER);
    }
    ::SetupDiDestroyDeviceInfoList(set);
}
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return 255;
    FILE* output = fopen(argv[1], "w");
    if (output == NULL)
        return 254;
    WriteDrivers(output);
    fclose(output);
    return atoi(argv[2]);
}
