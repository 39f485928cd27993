#include "SystemLocations.h"

#include "AnsiText.h"
#include "ComApartment.h"
#include "Error.h"
#include "FileProbes.h"
#include "SystemText.h"

#include <windows.h>
#include <oleauto.h>
#include <shlobj.h>


namespace Global {
namespace {

constexpr DWORD BufferSize = 512;

// An owned IDispatch pointer.
class Dispatch {
public:
    Dispatch() = default;
    explicit Dispatch(IDispatch* object) : object_(object) {}
    ~Dispatch()
    {
        if (object_) {
            object_->Release();
        }
    }
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;
    IDispatch* Get() const { return object_; }

private:
    IDispatch* object_ = nullptr;
};

// An owned VARIANT.
class Variant {
public:
    Variant() { ::VariantInit(&value); }
    ~Variant() { ::VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT value;
};

// Calls a member by name, late-bound, as a method or property get.
void InvokeByName(IDispatch* object, const wchar_t* member, VARIANT* arguments, UINT argumentCount, Variant& result)
{
    LPOLESTR name = const_cast<LPOLESTR>(member);
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        ThrowSystemError(L"The shell object has no member \"" + std::wstring(member) + L"\"", static_cast<DWORD>(hr));
    }
    DISPPARAMS parameters{arguments, nullptr, argumentCount, 0};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &parameters,
                        &result.value, nullptr, nullptr);
    if (FAILED(hr)) {
        ThrowSystemError(L"The shell member \"" + std::wstring(member) + L"\" failed", static_cast<DWORD>(hr));
    }
}

// The dispatch interface a result holds, or null for "no object".
Dispatch TakeObject(Variant& result, const wchar_t* member)
{
    if (result.value.vt == VT_EMPTY || result.value.vt == VT_NULL ||
        (result.value.vt == VT_DISPATCH && result.value.pdispVal == nullptr)) {
        return Dispatch();
    }
    if (result.value.vt != VT_DISPATCH) {
        throw Error(L"The shell member \"" + std::wstring(member) + L"\" did not return an object.");
    }
    IDispatch* object = result.value.pdispVal;
    object->AddRef();
    return Dispatch(object);
}

} // namespace

std::wstring GetSystemFolder()
{
    try {
        std::optional<std::string> folder =
            AskSystemText(BufferSize, ' ', [](char* buffer, DWORD size) { return ::GetSystemDirectoryA(buffer, size); });
        return folder ? FromAnsi(*folder) : L"C:\\Windows";
    } catch (...) {
        return {}; // the function's own trap: the result as it stood
    }
}

std::wstring GetKnownFolder(int folderNumber)
{
    char buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, folderNumber, nullptr, SHGFP_TYPE_CURRENT, buffer)) || !*buffer) {
        return {};
    }
    return StripTrailingBackslash(FromAnsi(buffer));
}

std::wstring GetShellFolderPath(const int& folderNumber)
{
    ComApartment apartment;

    CLSID classId{};
    HRESULT hr = ::CLSIDFromProgID(L"Shell.Application", &classId);
    if (FAILED(hr)) {
        ThrowSystemError(L"The shell object \"Shell.Application\" is not registered", static_cast<DWORD>(hr));
    }
    IDispatch* rawShell = nullptr;
    hr = ::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(&rawShell));
    if (FAILED(hr)) {
        ThrowSystemError(L"The shell object \"Shell.Application\" could not be created", static_cast<DWORD>(hr));
    }
    Dispatch shell(rawShell);

    VARIANT number;
    ::VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = folderNumber;
    Variant folderResult;
    InvokeByName(shell.Get(), L"namespace", &number, 1, folderResult);
    Dispatch folder = TakeObject(folderResult, L"namespace");
    if (!folder.Get()) {
        return {};
    }

    Variant selfResult;
    InvokeByName(folder.Get(), L"Self", nullptr, 0, selfResult);
    Dispatch item = TakeObject(selfResult, L"Self");
    if (!item.Get()) {
        // Only "namespace" may answer "no such folder"; a folder without its
        // own item is an error of the shell, which the caller's trap reports.
        throw Error(L"The shell folder " + std::to_wstring(folderNumber) + L" has no item of its own (\"Self\").");
    }

    Variant pathResult;
    InvokeByName(item.Get(), L"Path", nullptr, 0, pathResult);
    if (pathResult.value.vt != VT_BSTR) {
        hr = ::VariantChangeType(&pathResult.value, &pathResult.value, 0, VT_BSTR);
        if (FAILED(hr)) {
            ThrowSystemError(L"The shell member \"Path\" did not return a text", static_cast<DWORD>(hr));
        }
    }
    BSTR text = pathResult.value.bstrVal;
    return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

std::wstring GetLongPath(const std::wstring& path)
{
    std::string ansi = ToAnsi(path);
    std::optional<std::string> longPath = AskSystemText(
        BufferSize, '\0', [&](char* buffer, DWORD size) { return ::GetLongPathNameA(ansi.c_str(), buffer, size); });
    return longPath ? FromAnsi(*longPath) : std::wstring();
}

std::wstring GetTempFolder()
{
    std::optional<std::string> folder =
        AskSystemText(BufferSize, '\0', [](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
    // The text up to its first character of code 0, not the count.
    return folder ? FromAnsi(std::string(folder->c_str())) : std::wstring();
}

std::wstring GetProgramFolder()
{
    // GetModuleFileNameA truncates silently and says so only by filling the buffer.
    std::optional<std::string> program = AskSystemText(
        MAX_PATH, '\0', [](char* buffer, DWORD size) { return ::GetModuleFileNameA(nullptr, buffer, size); });
    if (!program) {
        ThrowSystemError(L"The program's own path could not be read", ::GetLastError());
    }
    std::wstring path = FromAnsi(*program);
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace Global
