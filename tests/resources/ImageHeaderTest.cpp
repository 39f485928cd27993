// The image header of CommandLine.exe, read from the file itself.
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ResourcesTest {
namespace {

IMAGE_NT_HEADERS32 ReadImageHeaders(const Bytes& file)
{
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 nt{};
    if (file.size() < sizeof dos) {
        throw std::out_of_range("shorter than a DOS header");
    }
    std::memcpy(&dos, file.data(), sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || static_cast<std::size_t>(dos.e_lfanew) + sizeof nt > file.size()) {
        throw std::out_of_range("no PE header");
    }
    std::memcpy(&nt, file.data() + dos.e_lfanew, sizeof nt);
    return nt;
}

TEST(ImageHeaderTest, IsA32BitGraphicalProgramForWindows4WithVersion0Point9)
{
    IMAGE_NT_HEADERS32 nt = ReadImageHeaders(ReadWholeFile(CommandLineExe));
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt.Signature);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt.FileHeader.Machine);
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, nt.OptionalHeader.Magic);
    const IMAGE_OPTIONAL_HEADER32& header = nt.OptionalHeader;

    // Graphical: the system gives the process no console.
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, header.Subsystem);
    EXPECT_EQ(4, header.MajorSubsystemVersion);
    EXPECT_EQ(0, header.MinorSubsystemVersion);
    EXPECT_EQ(4, header.MajorOperatingSystemVersion);
    EXPECT_EQ(0, header.MinorOperatingSystemVersion);
    EXPECT_EQ(0, header.MajorImageVersion);
    EXPECT_EQ(9, header.MinorImageVersion);
}

TEST(ImageHeaderTest, ReservesOneMegabyteAndCommitsFourKilobytesOfStackAndHeap)
{
    IMAGE_NT_HEADERS32 nt = ReadImageHeaders(ReadWholeFile(CommandLineExe));
    EXPECT_EQ(0x100000u, nt.OptionalHeader.SizeOfStackReserve);
    EXPECT_EQ(0x1000u, nt.OptionalHeader.SizeOfStackCommit);
    EXPECT_EQ(0x100000u, nt.OptionalHeader.SizeOfHeapReserve);
    EXPECT_EQ(0x1000u, nt.OptionalHeader.SizeOfHeapCommit);
}

} // namespace
} // namespace ResourcesTest
