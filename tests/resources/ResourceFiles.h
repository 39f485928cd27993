#pragma once
// What the resource tests read: the built CommandLine.exe, loaded as data so
// that none of its code runs, and the files its resources were made from.
#include "Error.h"
#include "Files.h"
#include "Handle.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ResourcesTest {

constexpr const char* CommandLineExe = COMMANDLINE_EXE;
constexpr const char* CommandLineIco = COMMANDLINE_ICO;
constexpr const char* CommandLineManifest = COMMANDLINE_MANIFEST;

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type module) noexcept { ::FreeLibrary(module); }
};

// CommandLine.exe loaded once for the whole run.
inline HMODULE CommandLineModule()
{
    static Global::UniqueHandle<ModuleTraits> module(
        ::LoadLibraryExA(CommandLineExe, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) {
        Global::ThrowSystemError(L"Cannot load CommandLine.exe as data", ::GetLastError());
    }
    return module.Get();
}

// Throws Global::Error when there is no such resource.
inline std::string ResourceBytes(LPCSTR type, UINT_PTR number)
{
    HMODULE module = CommandLineModule();
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(number), type);
    const char* data = found ? static_cast<const char*>(::LockResource(::LoadResource(module, found))) : nullptr;
    if (data == nullptr) {
        Global::ThrowSystemError(L"No resource " + std::to_wstring(number), ::GetLastError());
    }
    return std::string(data, ::SizeofResource(module, found));
}

// A little-endian number; throws std::out_of_range past the end.
inline std::uint32_t ReadUint(const std::string& bytes, std::size_t offset, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(offset + i));
    }
    return value;
}

} // namespace ResourcesTest
