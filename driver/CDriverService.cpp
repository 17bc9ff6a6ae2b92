// The driver's NT service: its name in the setup INF, its state, start and stop.
#include "driver/CDriver.h"

#include "app/Trace.h"
#include "framework/ScopedHandles.h"

SETUP_STATUS CDriver::GetDriverServiceName(CString& serviceName)
{
    SETUP_STATUS status = ST_SUCCESS;
    if (servicenameDriver.IsEmpty())
        status = ReadServiceNameFromInf();
    if (status == ST_SUCCESS)
    {
        serviceName = servicenameDriver;
        Trace("GetDriverServiceName got %s\n", (LPCSTR)serviceName);
    }
    Trace("GetDriverServiceName exit with uRet %u\n", status);
    return status;
}

// Fills the cache from field 1 of the first AddService line of "<install section>.Services".
SETUP_STATUS CDriver::ReadServiceNameFromInf()
{
    Trace("GetDriverServiceName calling SetupOpenInfFile for %s\n", (LPCSTR)infpathDriver);
    UINT errorLine = 0;
    CInfHandle inf(::SetupOpenInfFileA(infpathDriver, NULL, INF_STYLE_WIN4, &errorLine));
    if (!inf.IsValid())
    {
        DWORD error = ::GetLastError();
        Trace("GetDriverServiceName SetupOpenInfFile error at line %u\n", errorLine);
        if (error == ERROR_FILE_NOT_FOUND)
        {
            Trace("GetDriverServiceName %u (ST_INF_FILE_NOT_FOUND)\n", ST_INF_FILE_NOT_FOUND);
            return ST_INF_FILE_NOT_FOUND;
        }
        Trace("GetDriverServiceName %u (ST_INF_CANT_OPEN_INF_FILE)\n", ST_INF_CANT_OPEN_INF_FILE);
        return ST_INF_CANT_OPEN_INF_FILE;
    }

    CString servicesSection;
    servicesSection.Format("%s.%s", (LPCSTR)installsectionDriver, "Services");
    Trace("GetDriverServiceName looking for %s\n", (LPCSTR)servicesSection);

    SETUP_STATUS status = ST_SUCCESS;
    INFCONTEXT context;
    char name[256] = "";
    if (!::SetupFindFirstLineA(inf, servicesSection, "AddService", &context))
    {
        status = ST_INF_NO_ADDSERVICE_KEY;
        Trace("GetDriverServiceName %u (ST_INF_NO_ADDSERVICE_KEY)\n", status);
    }
    else if (!::SetupGetStringFieldA(&context, 1, name, sizeof(name), NULL) || name[0] == '\0')
    {
        status = ST_INF_NO_ADDSERVICE_NAME;
        Trace("GetDriverServiceName %u (ST_INF_NO_ADDSERVICE_NAME)\n", status);
    }
    else
        servicenameDriver = name;
    inf.Close();
    return status;
}

SETUP_STATUS CDriver::open_service(LPCSTR serviceName, DWORD desiredAccess, SC_HANDLE* service)
{
    SETUP_STATUS status = ST_SUCCESS;
    SC_HANDLE manager = ::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL)
    {
        status = ST_SCM_CANT_OPEN_SCMANAGER;
        Trace("open_service %u (ST_SCM_CANT_OPEN_SCMANAGER)\n", status);
    }
    else
    {
        SC_HANDLE opened = ::OpenServiceA(manager, serviceName, desiredAccess);
        if (opened == NULL)
        {
            switch (::GetLastError())
            {
            case ERROR_ACCESS_DENIED:
                status = ST_SCM_CANT_OPEN_SERVICE_ACCESS_DENIED;
                Trace("open_service %u (ST_SCM_CANT_OPEN_SERVICE_ACCESS_DENIED)\n", status);
                break;
            case ERROR_INVALID_HANDLE:
                status = ST_SCM_CANT_OPEN_SERVICE_INVALID_HANDLE;
                Trace("open_service %u (ST_SCM_CANT_OPEN_SERVICE_INVALID_HANDLE)\n", status);
                break;
            case ERROR_INVALID_NAME:
                status = ST_SCM_CANT_OPEN_SERVICE_INVALID_NAME;
                Trace("open_service %u (ST_SCM_CANT_OPEN_SERVICE_INVALID_NAME)\n", status);
                break;
            case ERROR_SERVICE_DOES_NOT_EXIST:
                status = ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST;
                Trace("open_service %u (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)\n", status);
                break;
            default:
                status = ST_SCM_CANT_OPEN_SERVICE_REASON_UNKNOWN;
                Trace("open_service %u (ST_SCM_CANT_OPEN_SERVICE_REASON_UNKNOWN)\n", status);
                break;
            }
        }
        else if (service != NULL)
            *service = opened;
        else
            ::CloseServiceHandle(opened);   // nobody to hand it to
        ::CloseServiceHandle(manager);
    }
    Trace("open_service exit with uRet %u\n", status);
    return status;
}

SETUP_STATUS CDriver::GetInfo(DRV_STATE* state)
{
    DRV_STATE unused;
    if (state == NULL)
        state = &unused;   // callers always pass one; a null pointer only loses the state
    CString serviceName;
    SETUP_STATUS status = GetDriverServiceName(serviceName);
    if (status == ST_SUCCESS)
    {
        CServiceHandle service;
        if (open_service(serviceName, SERVICE_QUERY_STATUS, &service) != ST_SUCCESS)
        {
            *state = DRV_S_NONE;
            Trace("GetInfo state %u (DRV_S_NONE)\n", *state);
        }
        else
        {
            SERVICE_STATUS serviceStatus;
            if (!::QueryServiceStatus(service, &serviceStatus))
            {
                *state = DRV_S_INSTALLED;
                Trace("GetInfo state %u (DRV_S_INSTALLED, odd case)\n", *state);
            }
            else if (serviceStatus.dwCurrentState == SERVICE_RUNNING || serviceStatus.dwCurrentState == SERVICE_PAUSED)
            {
                *state = DRV_S_STARTED;
                Trace("GetInfo state %u (DRV_S_STARTED)\n", *state);
            }
            else
            {
                *state = DRV_S_INSTALLED;
                Trace("GetInfo state %u (DRV_S_INSTALLED)\n", *state);
            }
            service.Close();
        }
    }
    Trace("GetInfo exit with uRet %u\n", status);
    return status;
}

SETUP_STATUS CDriver::Start()
{
    CString serviceName;
    SETUP_STATUS status = GetDriverServiceName(serviceName);
    if (status == ST_SUCCESS)
    {
        CServiceHandle service;
        status = open_service(serviceName, SERVICE_ALL_ACCESS, &service);
        if (status == ST_SUCCESS)
        {
            if (!::StartServiceA(service, 0, NULL))
            {
                switch (::GetLastError())
                {
                case ERROR_SERVICE_DATABASE_LOCKED:
                    status = ST_SCM_CANT_START_SERVICE_DATABASE_LOCKED;
                    Trace("Start %u (ST_SCM_CANT_START_SERVICE_DATABASE_LOCKED)\n", status);
                    break;
                case ERROR_SERVICE_ALREADY_RUNNING:
                    status = ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING;
                    Trace("Start %u (ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING)\n", status);
                    break;
                case ERROR_SERVICE_DISABLED:
                    status = ST_SCM_CANT_START_SERVICE_DISABLED;
                    Trace("Start %u (ST_SCM_CANT_START_SERVICE_DISABLED)\n", status);
                    break;
                case ERROR_SERVICE_MARKED_FOR_DELETE:
                    status = ST_SCM_CANT_START_SERVICE_MARKED_FOR_DELETE;
                    Trace("Start %u (ST_SCM_CANT_START_SERVICE_MARKED_FOR_DELETE)\n", status);
                    break;
                default:
                    status = ST_SCM_CANT_START_SERVICE_REASON_UNKNOWN;
                    Trace("Start %u (ST_SCM_CANT_START_SERVICE_REASON_UNKNOWN)\n", status);
                    break;
                }
            }
            service.Close();
        }
    }
    Trace("Start exit with uRet %u\n", status);
    return status;
}

SETUP_STATUS CDriver::Stop()
{
    DRV_STATE state = DRV_S_NONE;
    SETUP_STATUS status = GetInfo(&state);
    if (status == ST_SUCCESS && state == DRV_S_STARTED)
    {
        CString serviceName;
        status = GetDriverServiceName(serviceName);
        CServiceHandle service;
        if (status == ST_SUCCESS)
            status = open_service(serviceName, SERVICE_STOP, &service);
        if (status == ST_SUCCESS)
        {
            SERVICE_STATUS serviceStatus;
            if (!::ControlService(service, SERVICE_CONTROL_STOP, &serviceStatus))
            {
                // These lines carry the Windows error, not the status code.
                DWORD error = ::GetLastError();
                switch (error)
                {
                case ERROR_ACCESS_DENIED:
                    status = ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED)\n", (UINT)error);
                    break;
                case ERROR_DEPENDENT_SERVICES_RUNNING:
                    status = ST_SCM_CANT_STOP_SERVICE_DEPENDENT_SERVICES_RUNNING;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_DEPENDENT_SERVICES_RUNNING)\n", (UINT)error);
                    break;
                case ERROR_INVALID_SERVICE_CONTROL:
                    status = ST_SCM_CANT_STOP_SERVICE_INVALID_SERVICE_CONTROL;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_INVALID_SERVICE_CONTROL)\n", (UINT)error);
                    break;
                case ERROR_SERVICE_REQUEST_TIMEOUT:
                    status = ST_SCM_CANT_STOP_SERVICE_REQUEST_TIMEOUT;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_REQUEST_TIMEOUT)\n", (UINT)error);
                    break;
                case ERROR_SERVICE_CANNOT_ACCEPT_CTRL:
                    status = ST_SCM_CANT_STOP_SERVICE_CANNOT_ACCEPT_CTRL;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_CANNOT_ACCEPT_CTRL)\n", (UINT)error);
                    break;
                case ERROR_SERVICE_NOT_ACTIVE:
                    status = ST_SCM_CANT_STOP_SERVICE_NOT_ACTIVE;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_NOT_ACTIVE)\n", (UINT)error);
                    break;
                default:
                    status = ST_SCM_CANT_STOP_SERVICE_REASON_UNKNOWN;
                    Trace("Stop %u (ST_SCM_CANT_STOP_SERVICE_REASON_UNKNOWN)\n", (UINT)error);
                    break;
                }
            }
            service.Close();
        }
    }
    Trace("Stop exit with uRet %u\n", status);
    return status;
}
