// The registry entries that the driver and the modem device leave behind once the
// driver's service and files are gone: the legacy device key, the driver's entries in
// the device tree's AttachedComponents, the event-log source, and the modem's
// Unimodem responses key.
#include "wizard/CUninstIntroPage.h"
#include "wizard/CUninstReportOKPage.h"

#include <cstring>

#include "app/Trace.h"
#include "framework/ScopedHandles.h"
#include "modem/RegistryKeyAccess.h"

namespace
{
const char c_enumRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";
const char c_htreeRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const char c_eventLogSystem[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\";
const char c_classRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const char c_deviceSpecific[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific";
const char c_attachedComponents[] = "AttachedComponents";
const DWORD c_valueSize = 256;

// A block of the process heap, given back when the holder goes out of scope.
class CHeapBlock
{
public:
    explicit CHeapBlock(SIZE_T size, DWORD flags = 0) : m_data((char*)::HeapAlloc(::GetProcessHeap(), flags, size)) { }
    ~CHeapBlock() { Free(); }
    char* Data() const { return m_data; }
    void Free()
    {
        if (m_data != NULL)
            ::HeapFree(::GetProcessHeap(), 0, m_data);
        m_data = NULL;
    }

private:
    CHeapBlock(const CHeapBlock&) = delete;
    CHeapBlock& operator=(const CHeapBlock&) = delete;
    char* m_data;
};

// Holds prefix followed by text, upper-cased; Data() is NULL when no block was left.
class CUpperCaseName : public CHeapBlock
{
public:
    CUpperCaseName(LPCSTR prefix, LPCSTR text) : CHeapBlock(strlen(prefix) + strlen(text) + 1)
    {
        if (Data() == NULL)
            return;
        size_t prefixLength = strlen(prefix);
        memcpy(Data(), prefix, prefixLength);
        memcpy(Data() + prefixLength, text, strlen(text) + 1);
        ::CharUpperA(Data());
    }
};

// A value of at most 256 bytes, whatever its type, taken as a string. One that does not
// end within the 256 bytes does not fit, as the registry reports for a longer one.
LONG ReadShortString(HKEY key, LPCSTR valueName, char (&text)[c_valueSize])
{
    DWORD type = 0;
    DWORD size = c_valueSize;
    LONG error = ::RegQueryValueExA(key, valueName, NULL, &type, (BYTE*)text, &size);
    if (error != ERROR_SUCCESS)
        return error;
    if (size < c_valueSize)
        text[size] = '\0';
    else if (memchr(text, '\0', c_valueSize) == NULL)
        return ERROR_MORE_DATA;
    return ERROR_SUCCESS;
}

// The common shape of the two routines that delete one subkey of a protected parent:
// the parent's access list is opened, the parent opened and the subkey deleted.
BOOLEAN RemoveProtectedSubkey(LPCSTR routine, LPCSTR parentPath, LPCSTR keyPrefix, bool upperCase, LPCSTR serviceName)
{
    BOOLEAN result = FALSE;
    if (serviceName != NULL && serviceName[0] != '\0')
    {
        Trace("%s Asking Permission to open %s\n", routine, parentPath);
        if (AllowAccessToKey(HKEY_LOCAL_MACHINE, parentPath))
        {
            Trace("%s Opening %s\n", routine, parentPath);
            CRegKeyHandle parent;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS)
            {
                CUpperCaseName upperName(keyPrefix, serviceName);
                LPCSTR keyName = upperCase ? upperName.Data() : serviceName;
                if (keyName != NULL)
                {
                    Trace("%s removing %s and all subkeys\n", routine, keyName);
                    result = KillThisKeyAndAllItsSubkeys(parent, keyName);
                }
                parent.Close();
            }
        }
    }
    Trace("%s bRet %u\n", routine, (unsigned)result);
    return result;
}

// Rewrites the list of strings in input (inputSize bytes read) into output without the
// strings whose upper-cased copy contains upperService; returns the length of the
// rebuilt list. The walk ends at the empty string that closes the list or at the end
// of the bytes read, whichever comes first; a last string that ends with the data is
// given its zero, and the list always gets its closing zero. output holds inputSize + 2
// bytes, filled with zeros; scratch holds inputSize + 1 bytes.
DWORD DropMatchingStrings(const char* input, DWORD inputSize, LPCSTR upperService, char* output, char* scratch)
{
    DWORD read = 0;
    DWORD written = 0;
    while (read < inputSize && input[read] != '\0')
    {
        const char* entry = input + read;
        const char* end = (const char*)memchr(entry, '\0', inputSize - read);
        DWORD length = end != NULL ? (DWORD)(end - entry) : inputSize - read;
        memcpy(scratch, entry, length);
        scratch[length] = '\0';
        ::CharUpperA(scratch);
        if (strstr(scratch, upperService) == NULL)
        {
            memcpy(output + written, entry, length);
            output[written + length] = '\0';
            written += length + 1;
        }
        read += length + 1;
    }
    output[written] = '\0';
    return written + 1;
}
// Steps 4 to 13 of the rewrite of AttachedComponents in the open key: sized, read,
// rebuilt without the driver's strings and written back with the type read.
BOOLEAN RewriteAttachedComponents(HKEY key, LPCSTR serviceName)
{
    Trace("RemoveEnumHtreeDriverString Sizing %s\n", c_attachedComponents);
    DWORD type = 0;
    DWORD size = 0;
    LONG error = ::RegQueryValueExA(key, c_attachedComponents, NULL, &type, NULL, &size);
    if (error != ERROR_SUCCESS)
    {
        Trace("RemoveEnumHtreeDriverString RegQueryValueEx returned %x\n", (unsigned)error);
        return FALSE;
    }
    Trace("RemoveEnumHtreeDriverString Size is %u bytes\n", (unsigned)size);

    CHeapBlock input(size);
    if (input.Data() == NULL)
        return FALSE;
    Trace("RemoveEnumHtreeDriverString Reading %s\n", c_attachedComponents);
    error = ::RegQueryValueExA(key, c_attachedComponents, NULL, &type, (BYTE*)input.Data(), &size);
    if (error != ERROR_SUCCESS)
    {
        Trace("RemoveEnumHtreeDriverString RegQueryValueEx returned %x\n", (unsigned)error);
        return FALSE;
    }

    // Room for a zero behind a last string that has none and for the closing zero.
    CHeapBlock output((SIZE_T)size + 2, HEAP_ZERO_MEMORY);
    CHeapBlock scratch((SIZE_T)size + 1);
    CUpperCaseName upperService("", serviceName);
    if (output.Data() == NULL || scratch.Data() == NULL || upperService.Data() == NULL)
        return FALSE;
    DWORD length = DropMatchingStrings(input.Data(), size, upperService.Data(), output.Data(), scratch.Data());

    BOOLEAN result = FALSE;
    Trace("RemoveEnumHtreeDriverString Writing %s\n", c_attachedComponents);
    error = ::RegSetValueExA(key, c_attachedComponents, 0, type, (const BYTE*)output.Data(), length);
    if (error != ERROR_SUCCESS)
        Trace("RemoveEnumHtreeDriverString RegSetValueEx returned %x\n", (unsigned)error);
    else
        result = TRUE;
    return result;
}
}   // namespace

BOOLEAN CUninstIntroPage::RemoveEnumRootDriverKey(LPCSTR serviceName)
{
    return RemoveProtectedSubkey("RemoveEnumRootDriverKey", c_enumRoot, "LEGACY_", true, serviceName);
}

BOOLEAN CUninstIntroPage::RemoveEventLogDriverKey(LPCSTR serviceName)
{
    return RemoveProtectedSubkey("RemoveEventLogDriverKey", c_eventLogSystem, "", false, serviceName);
}

BOOLEAN CUninstIntroPage::RemoveEnumHtreeDriverString(LPCSTR serviceName)
{
    BOOLEAN result = FALSE;
    if (serviceName != NULL && serviceName[0] != '\0')
    {
        Trace("RemoveEnumHtreeDriverString Asking Permission to open %s\n", c_htreeRoot);
        if (AllowAccessToKey(HKEY_LOCAL_MACHINE, c_htreeRoot))
        {
            Trace("RemoveEnumHtreeDriverString Opening %s\n", c_htreeRoot);
            CRegKeyHandle key;
            LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_htreeRoot, 0, KEY_ALL_ACCESS, &key);
            if (error != ERROR_SUCCESS)
                Trace("RemoveEnumHtreeDriverString RegOpenKeyEx returned %x\n", (unsigned)error);
            else
            {
                result = RewriteAttachedComponents(key, serviceName);
                key.Close();
            }
        }
    }
    Trace("RemoveEnumHtreeDriverString returning BOOLEAN %u\n", (unsigned)result);
    return result;
}

BOOLEAN CUninstReportOKPage::FetchOurModemResponses(CString& responsesKeyName, LPCSTR pnpEnumId)
{
    if (pnpEnumId == NULL)
        pnpEnumId = "";
    BOOLEAN result = FALSE;

    CString devicePath = c_enumRoot;
    devicePath += pnpEnumId;
    devicePath += "\\0000";
    Trace("FetchOurModemResponses Opening %s\n", (LPCSTR)devicePath);
    CRegKeyHandle deviceKey;
    LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, devicePath, 0, KEY_READ, &deviceKey);
    if (error != ERROR_SUCCESS)
        Trace("FetchOurModemResponses RegOpenKeyEx returned %x\n", (unsigned)error);
    else
    {
        Trace("FetchOurModemResponses Opening %s\n", "Driver");
        char driver[c_valueSize];
        error = ReadShortString(deviceKey, "Driver", driver);
        if (error != ERROR_SUCCESS)
            Trace("FetchOurModemResponses RegQueryValueEx returned %x\n", (unsigned)error);
        else
        {
            CString classPath = c_classRoot;
            classPath += driver;
            Trace("FetchOurModemResponses Opening %s\n", (LPCSTR)classPath);
            CRegKeyHandle classKey;
            error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, classPath, 0, KEY_READ, &classKey);
            if (error != ERROR_SUCCESS)
                Trace("FetchOurModemResponses RegOpenKeyEx returned %x\n", (unsigned)error);
            else
            {
                Trace("FetchOurModemResponses Opening %s\n", "ResponsesKeyName");
                char responses[c_valueSize];
                error = ReadShortString(classKey, "ResponsesKeyName", responses);
                if (error != ERROR_SUCCESS)
                    Trace("FetchOurModemResponses RegQueryValueEx returned %x\n", (unsigned)error);
                else
                {
                    Trace("FetchOurModemResponses Got %s\n", responses);
                    responsesKeyName = responses;
                    result = TRUE;
                }
                classKey.Close();
            }
        }
        deviceKey.Close();
    }
    Trace("FetchOurModemResponses bRet %u\n", (unsigned)result);
    return result;
}

BOOLEAN CUninstReportOKPage::RemoveUnimodemResponses(LPCSTR responsesKeyName)
{
    BOOLEAN result = FALSE;
    if (responsesKeyName != NULL && responsesKeyName[0] != '\0')
    {
        Trace("RemoveUnimodemResponses Opening %s\n", c_deviceSpecific);
        CRegKeyHandle deviceSpecific;
        LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_deviceSpecific, 0, KEY_ALL_ACCESS, &deviceSpecific);
        if (error != ERROR_SUCCESS)
            Trace("RemoveUnimodemResponses RegOpenKeyEx returned %x\n", (unsigned)error);
        else
        {
            Trace("RemoveUnimodemResponses removing %s and all subkeys\n", responsesKeyName);
            result = KillThisKeyAndAllItsSubkeys(deviceSpecific, responsesKeyName);
            deviceSpecific.Close();
        }
    }
    Trace("RemoveUnimodemResponses bRet %u\n", (unsigned)result);
    return result;
}
