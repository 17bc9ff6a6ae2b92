#include "driver/CDriverSetup.h"

#include <new>

#include "app/Trace.h"
#include "framework/ScopedHandles.h"

CDriverSetup::CDriverSetup(LPCSTR sourceDirectory, LPCSTR infPath, LPCSTR section)
    : listDriverSetup(10), infpathDriverSetup(infPath), sourcedirDriverSetup(sourceDirectory)
{
    ReadDriverList(section);
}

CDriverSetup::~CDriverSetup()
{
    POSITION pos = listDriverSetup.GetHeadPosition();
    while (pos != NULL)
        delete (CDriver*)listDriverSetup.GetNext(pos);
    listDriverSetup.RemoveAll();
}

// One driver per line: name = install section[, enumerator ID]. A line whose name or
// install section cannot be read ends the list.
void CDriverSetup::ReadDriverList(LPCSTR section)
{
    UINT errorLine = 0;
    CInfHandle inf(::SetupOpenInfFileA(infpathDriverSetup, NULL, INF_STYLE_WIN4, &errorLine));
    if (!inf.IsValid())
    {
        Trace("CDriverSetup SetupOpenInfFile error at line %u\n", errorLine);
        return;
    }

    INFCONTEXT context;
    BOOL found = ::SetupFindFirstLineA(inf, section, NULL, &context);
    while (found)
    {
        char name[256];
        char installSection[256];
        char pnpEnumId[256];
        if (!::SetupGetStringFieldA(&context, 0, name, sizeof(name), NULL)
            || !::SetupGetStringFieldA(&context, 1, installSection, sizeof(installSection), NULL))
            break;
        if (!::SetupGetStringFieldA(&context, 2, pnpEnumId, sizeof(pnpEnumId), NULL))
            pnpEnumId[0] = '\0';

        CDriver* driver = new (std::nothrow)
            CDriver(name, sourcedirDriverSetup, infpathDriverSetup, installSection, pnpEnumId);
        if (driver == NULL)
            break;   // out of memory: the drivers read so far make the list
        if (listDriverSetup.AddTail(driver) == NULL)
        {
            delete driver;
            break;
        }
        found = ::SetupFindNextLine(&context, &context);
    }
    inf.Close();
}

BOOLEAN CDriverSetup::GetFirstDriver(POSITION& pos)
{
    pos = NULL;
    return listDriverSetup.IsEmpty() ? FALSE : TRUE;
}

BOOLEAN CDriverSetup::GetNextDriver(POSITION& pos)
{
    POSITION next = pos;
    if (next == NULL)
        next = listDriverSetup.GetHeadPosition();
    else
        listDriverSetup.GetNext(next);
    if (next == NULL)
        return FALSE;
    pos = next;
    return TRUE;
}

void CDriverSetup::GetName(POSITION pos, CString& name)
{
    DriverAt(pos)->GetName(name);
}

void CDriverSetup::SetName(POSITION pos, LPCSTR name)
{
    DriverAt(pos)->SetName(name);
}

void CDriverSetup::GetPnPEnumID(POSITION pos, CString& id)
{
    DriverAt(pos)->GetPnPEnumID(id);
}

void CDriverSetup::SetPnPEnumID(POSITION pos, LPCSTR id)
{
    DriverAt(pos)->SetPnPEnumID(id);
}

SETUP_STATUS CDriverSetup::GetDriverServiceName(POSITION pos, CString& serviceName)
{
    return DriverAt(pos)->GetDriverServiceName(serviceName);
}

SETUP_STATUS CDriverSetup::GetInfo(POSITION pos, DRV_STATE* state)
{
    return DriverAt(pos)->GetInfo(state);
}

SETUP_STATUS CDriverSetup::Install(POSITION pos, HWND owner)
{
    CDriver* driver = DriverAt(pos);
    SETUP_STATUS status = driver->Install(owner);
    if (status == ST_SUCCESS)
        status = driver->Start();
    return status;
}

SETUP_STATUS CDriverSetup::Uninstall(POSITION pos, HWND owner)
{
    CDriver* driver = DriverAt(pos);
    SETUP_STATUS status = driver->Stop();
    if (status == ST_SUCCESS)
        status = driver->Uninstall(owner);
    return status;
}
