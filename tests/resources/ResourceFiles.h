#pragma once
// What the resource tests read: the built CommandLine.exe, loaded as data so
// that none of its code runs, and the files its resources were made from.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ResourcesTest {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* CommandLineExe = COMMANDLINE_EXE;
constexpr const char* CommandLineIco = COMMANDLINE_ICO;
constexpr const char* CommandLineManifest = COMMANDLINE_MANIFEST;

// The whole file; throws Global::Error when it cannot be read.
Bytes ReadWholeFile(const char* path);

// CommandLine.exe loaded as a data file, once for the whole test run.
HMODULE CommandLineModule();

// A resource's bytes; throws Global::Error when there is no such resource.
Bytes ResourceBytes(HMODULE module, LPCSTR type, LPCSTR name);

// A little-endian number at `offset`; throws std::out_of_range past the end.
std::uint32_t ReadUint(const Bytes& bytes, std::size_t offset, std::size_t size);

} // namespace ResourcesTest
