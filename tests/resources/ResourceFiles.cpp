#include "ResourceFiles.h"

#include "Error.h"
#include "Handle.h"

#include <stdexcept>

namespace ResourcesTest {

namespace {

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type module) noexcept { ::FreeLibrary(module); }
};

std::wstring Wide(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace

Bytes ReadWholeFile(const char* path)
{
    Global::FileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        Global::ThrowSystemError(L"Cannot open " + Wide(path), ::GetLastError());
    }
    Bytes bytes(::GetFileSize(file.Get(), nullptr));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        Global::ThrowSystemError(L"Cannot read " + Wide(path), ::GetLastError());
    }
    return bytes;
}

HMODULE CommandLineModule()
{
    static Global::UniqueHandle<ModuleTraits> module(
        ::LoadLibraryExA(CommandLineExe, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) {
        Global::ThrowSystemError(L"Cannot load " + Wide(CommandLineExe) + L" as data", ::GetLastError());
    }
    return module.Get();
}

Bytes ResourceBytes(HMODULE module, LPCSTR type, LPCSTR name)
{
    HRSRC found = ::FindResourceA(module, name, type);
    if (found == nullptr) {
        Global::ThrowSystemError(L"No resource " + std::to_wstring(reinterpret_cast<UINT_PTR>(name)) + L" of type " +
                                     std::to_wstring(reinterpret_cast<UINT_PTR>(type)),
                                 ::GetLastError());
    }
    DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const auto* data = static_cast<const std::uint8_t*>(::LockResource(loaded));
    if (data == nullptr) {
        Global::ThrowSystemError(L"Cannot load a resource", ::GetLastError());
    }
    return Bytes(data, data + size);
}

std::uint32_t ReadUint(const Bytes& bytes, std::size_t offset, std::size_t size)
{
    if (offset + size > bytes.size()) {
        throw std::out_of_range("read past the end of the data");
    }
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | bytes[offset + i];
    }
    return value;
}

} // namespace ResourcesTest
