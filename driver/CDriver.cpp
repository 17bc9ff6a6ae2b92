#include "driver/CDriver.h"

#include "app/Trace.h"

CDriver::CDriver(LPCSTR name, LPCSTR sourceDirectory, LPCSTR infPath, LPCSTR installSection, LPCSTR pnpEnumId)
    : nameDriver(name), installsectionDriver(installSection), infpathDriver(infPath),
      sourcedirDriver(sourceDirectory), pnpenumidDriver(pnpEnumId)
{
    pnpenumidDriver.Replace('\\', '&');
}

void CDriver::GetName(CString& name)
{
    name = nameDriver;
    Trace("GetName exit with %s\n", (LPCSTR)name);
}

void CDriver::SetName(LPCSTR name)
{
    nameDriver = name;
    Trace("SetName exit with %s\n", (LPCSTR)nameDriver);
}

void CDriver::GetPnPEnumID(CString& id)
{
    id = pnpenumidDriver;
    Trace("GetPnPEnumID exit with %s\n", (LPCSTR)id);
}

void CDriver::SetPnPEnumID(LPCSTR id)
{
    pnpenumidDriver = id;
    Trace("SetPnPEnumID exit with %s\n", (LPCSTR)pnpenumidDriver);
}
