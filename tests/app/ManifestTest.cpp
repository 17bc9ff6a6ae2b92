// The application manifest of the shipped SETUP.EXE: as embedded (resource 1 of type
// RT_MANIFEST), as the system's loader reads it into an activation context, and in
// effect when the program is started as a process.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
const char c_program[] = "C:\\bench\\SETUP.EXE";

const wchar_t c_asmV1[] = L"urn:schemas-microsoft-com:asm.v1";
const wchar_t c_asmV3[] = L"urn:schemas-microsoft-com:asm.v3";
const wchar_t c_compatibility[] = L"urn:schemas-microsoft-com:compatibility.v1";

// Windows Vista, 7, 8, 8.1 and 10 (which is also 11).
const std::set<std::wstring> c_supportedOs = {
    L"{e2011457-1546-43c5-a5fe-008deee3d3f0}", L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
};

// An element of the manifest: its path of local names from the root, each with its
// namespace ("{urn}name/{urn}name"), and its attributes.
struct Element
{
    std::wstring path;
    std::map<std::wstring, std::wstring> attributes;
};

std::wstring Qualified(const wchar_t* uri, const wchar_t* name)
{
    return std::wstring(L"{") + uri + L"}" + name;
}

// The embedded manifest's bytes; empty when the program has none.
std::string EmbeddedManifest(HMODULE program)
{
    HRSRC found = ::FindResourceExW(program, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1),
                                    MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    HGLOBAL loaded = found != NULL ? ::LoadResource(program, found) : NULL;
    const char* bytes = loaded != NULL ? (const char*)::LockResource(loaded) : NULL;
    if (bytes == NULL)
        return std::string();
    return std::string(bytes, ::SizeofResource(program, found));
}

// The elements of an XML text, in document order, read with the system's XmlLite.
// A text that does not parse gives a failure and what was read up to there.
std::vector<Element> ReadElements(const std::string& xml)
{
    std::vector<Element> elements;
    typedef HRESULT(WINAPI * CreateXmlReaderProc)(REFIID, void**, IMalloc*);
    HMODULE xmllite = ::LoadLibraryA("xmllite.dll");
    CreateXmlReaderProc createReader =
        xmllite != NULL ? (CreateXmlReaderProc)(void*)::GetProcAddress(xmllite, "CreateXmlReader") : NULL;
    IStream* stream = ::SHCreateMemStream((const BYTE*)xml.data(), (UINT)xml.size());
    IXmlReader* reader = NULL;
    if (createReader == NULL || stream == NULL || FAILED(createReader(__uuidof(IXmlReader), (void**)&reader, NULL))
        || FAILED(reader->SetInput(stream)))
    {
        ADD_FAILURE() << "no XML reader";
    }
    else
    {
        std::vector<std::wstring> open;
        XmlNodeType type;
        HRESULT hr;
        while ((hr = reader->Read(&type)) == S_OK)
        {
            if (type == XmlNodeType_EndElement)
            {
                open.pop_back();
                continue;
            }
            if (type != XmlNodeType_Element)
                continue;
            const wchar_t* uri = L"";
            const wchar_t* name = L"";
            reader->GetNamespaceUri(&uri, NULL);
            reader->GetLocalName(&name, NULL);
            Element element;
            std::wstring parent = open.empty() ? L"" : open.back() + L"/";
            element.path = parent + Qualified(uri, name);
            bool empty = reader->IsEmptyElement() != FALSE;
            for (HRESULT more = reader->MoveToFirstAttribute(); more == S_OK; more = reader->MoveToNextAttribute())
            {
                const wchar_t* attribute = L"";
                const wchar_t* value = L"";
                reader->GetLocalName(&attribute, NULL);
                reader->GetValue(&value, NULL);
                if (!reader->IsDefault() && wcscmp(attribute, L"xmlns") != 0)
                    element.attributes[attribute] = value;
            }
            elements.push_back(element);
            if (!empty)
                open.push_back(element.path);
        }
        EXPECT_EQ(S_FALSE, hr) << "the manifest does not parse";
        reader->Release();
    }
    if (stream != NULL)
        stream->Release();
    return elements;
}

std::vector<Element> ElementsAt(const std::vector<Element>& elements, const std::wstring& path)
{
    std::vector<Element> found;
    for (const Element& element : elements)
        if (element.path == path)
            found.push_back(element);
    return found;
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return (wchar_t)std::towlower(c); });
    return text;
}

class Manifest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program = ::LoadLibraryExA(c_program, NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, program) << ::GetLastError();
    }
    void TearDown() override
    {
        if (program != NULL)
            ::FreeLibrary(program);
    }
    HMODULE program = NULL;
};

// The three things it declares, as they stand in the embedded text.
TEST_F(Manifest, AsksForAnAdministratorNamesTheWindowsVersionsAndTakesCommonControls6)
{
    std::string xml = EmbeddedManifest(program);
    ASSERT_FALSE(xml.empty()) << "SETUP.EXE has no manifest resource 1 of type RT_MANIFEST";
    std::vector<Element> elements = ReadElements(xml);
    const std::wstring assembly = Qualified(c_asmV1, L"assembly");
    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(assembly, elements.front().path);
    EXPECT_EQ(L"1.0", elements.front().attributes[L"manifestVersion"]);

    std::vector<Element> level = ElementsAt(
        elements, assembly + L"/" + Qualified(c_asmV3, L"trustInfo") + L"/" + Qualified(c_asmV3, L"security") + L"/"
                      + Qualified(c_asmV3, L"requestedPrivileges") + L"/"
                      + Qualified(c_asmV3, L"requestedExecutionLevel"));
    ASSERT_EQ(1u, level.size());
    EXPECT_EQ((std::map<std::wstring, std::wstring>{ { L"level", L"requireAdministrator" }, { L"uiAccess", L"false" } }),
              level[0].attributes);

    std::set<std::wstring> supported;
    for (Element os :
         ElementsAt(elements, assembly + L"/" + Qualified(c_compatibility, L"compatibility") + L"/"
                                  + Qualified(c_compatibility, L"application") + L"/"
                                  + Qualified(c_compatibility, L"supportedOS")))
        supported.insert(Lower(os.attributes[L"Id"]));
    EXPECT_EQ(c_supportedOs, supported);

    std::vector<Element> dependencies =
        ElementsAt(elements, assembly + L"/" + Qualified(c_asmV1, L"dependency") + L"/"
                                 + Qualified(c_asmV1, L"dependentAssembly") + L"/"
                                 + Qualified(c_asmV1, L"assemblyIdentity"));
    ASSERT_EQ(1u, dependencies.size());
    EXPECT_EQ((std::map<std::wstring, std::wstring>{ { L"type", L"win32" },
                                                      { L"name", L"Microsoft.Windows.Common-Controls" },
                                                      { L"version", L"6.0.0.0" },
                                                      { L"processorArchitecture", L"*" },
                                                      { L"publicKeyToken", L"6595b64144ccf1df" },
                                                      { L"language", L"*" } }),
              dependencies[0].attributes);
}

// The system's loader makes the same of it: an activation context that runs elevated,
// knows the five Windows versions and binds the common controls of version 6.
TEST_F(Manifest, TheLoaderReadsItIntoAnActivationContext)
{
    const wchar_t source[] = L"C:\\bench\\SETUP.EXE";
    ACTCTXW request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = source;
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = ::CreateActCtxW(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << ::GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
    SIZE_T size = 0;
    EXPECT_TRUE(::QueryActCtxW(0, context, NULL, RunlevelInformationInActivationContext, &runLevel, sizeof(runLevel),
                               &size))
        << ::GetLastError();
    EXPECT_EQ(ACTCTX_RUN_LEVEL_REQUIRE_ADMIN, runLevel.RunLevel);
    EXPECT_EQ(0u, runLevel.UiAccess);

    // The element's layout grew over the years (a tested version after the type): the
    // size of one follows from the size of the answer.
    BYTE compatibility[1024] = {};
    ASSERT_TRUE(::QueryActCtxW(0, context, NULL, CompatibilityInformationInActivationContext, compatibility,
                               sizeof(compatibility), &size))
        << ::GetLastError();
    DWORD count = *(const DWORD*)compatibility;
    std::set<std::wstring> supported;
    if (count > 0)
    {
        size_t header = size == 4 + 20 * (size_t)count ? 4 : 8;
        size_t stride = (size - header) / count;
        for (DWORD i = 0; i < count; i++)
        {
            const COMPATIBILITY_CONTEXT_ELEMENT* element =
                (const COMPATIBILITY_CONTEXT_ELEMENT*)(compatibility + header + i * stride);
            if (element->Type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
                continue;
            wchar_t guid[64] = L"";
            ::StringFromGUID2(element->Id, guid, ARRAYSIZE(guid));
            supported.insert(Lower(guid));
        }
    }
    EXPECT_EQ(c_supportedOs, supported);

    // The common controls' DLL comes from the assembly of version 6 that it names.
    ACTCTX_SECTION_KEYED_DATA found = {};
    found.cbSize = sizeof(found);
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(::ActivateActCtx(context, &cookie));
    BOOL redirected = ::FindActCtxSectionStringW(0, NULL, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                                 &found);
    ::DeactivateActCtx(0, cookie);
    EXPECT_TRUE(redirected) << ::GetLastError();
    if (redirected)
    {
        BYTE detail[4096] = {};
        DWORD index = found.ulAssemblyRosterIndex;
        ASSERT_TRUE(::QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, detail,
                                   sizeof(detail), &size))
            << ::GetLastError();
        const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION* assembly =
            (const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*)detail;
        std::wstring identity = assembly->lpAssemblyEncodedAssemblyIdentity;
        EXPECT_EQ(0u, identity.find(L"Microsoft.Windows.Common-Controls,")) << identity;
        EXPECT_NE(std::wstring::npos, identity.find(L",version=\"6.")) << identity;
    }
    ::ReleaseActCtx(context);
}
}
