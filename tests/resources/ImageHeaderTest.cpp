// The image header of CommandLine.exe, read from the file itself, and what
// its graphical subsystem means in practice: run from a console, it writes
// nothing to it.
#include "MessageBoxProbe.h"
#include "ResourceFiles.h"
#include "TempFolder.h"

#include "AnsiText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ResourcesTest {
namespace {

TEST(ImageHeaderTest, A32BitGraphicalProgramForWindows4WithVersion0Point9AndOneMegabyteStackAndHeap)
{
    std::string file = TestSupport::ReadFileBytes(CommandLineExe);
    IMAGE_NT_HEADERS32 nt{};
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, ReadUint(file, 0, 2));
    std::string headers = file.substr(ReadUint(file, offsetof(IMAGE_DOS_HEADER, e_lfanew), 4), sizeof nt);
    ASSERT_EQ(sizeof nt, headers.size());
    std::memcpy(&nt, headers.data(), sizeof nt);
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt.Signature);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt.FileHeader.Machine);
    const IMAGE_OPTIONAL_HEADER32& header = nt.OptionalHeader;
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, header.Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, header.Subsystem);
    EXPECT_EQ(4, header.MajorSubsystemVersion);
    EXPECT_EQ(0, header.MinorSubsystemVersion);
    EXPECT_EQ(4, header.MajorOperatingSystemVersion);
    EXPECT_EQ(0, header.MinorOperatingSystemVersion);
    EXPECT_EQ(0, header.MajorImageVersion);
    EXPECT_EQ(9, header.MinorImageVersion);
    // The linker's defaults differ.
    EXPECT_EQ(0x100000u, header.SizeOfStackReserve);
    EXPECT_EQ(0x1000u, header.SizeOfStackCommit);
    EXPECT_EQ(0x100000u, header.SizeOfHeapReserve);
    EXPECT_EQ(0x1000u, header.SizeOfHeapCommit);
}

TEST(ImageHeaderTest, RunFromAConsoleWritesNothingToIt)
{
    // A temporary folder of the test's own, so the signal file is too.
    TestFiles::TempFolder temp(L"ConsoleSilence");
    std::string tempPath = Global::ToAnsi(temp.Path());
    ::SetEnvironmentVariableA("TMP", tempPath.c_str());
    ::SetEnvironmentVariableA("TEMP", tempPath.c_str());

    // The help prompt, a missing print command, and no pair of brace groups.
    const std::string commandLines[] = {"", "{}{out.pdf}", "not a brace group"};
    for (const std::string& arguments : commandLines) {
        // Standard output and error both go into one pipe.
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        Global::KernelHandle read, write;
        ASSERT_TRUE(::CreatePipe(read.Put(), write.Put(), &inheritable, 0));
        ::SetHandleInformation(read.Get(), HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = write.Get();
        std::string commandLine = std::string("\"") + CommandLineExe + "\" " + arguments;
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, &started)) << ::GetLastError();
        Global::KernelHandle process(started.hProcess), thread(started.hThread);
        write.Reset();

        // Every box is answered, No where offered so that no browser opens.
        DWORD start = ::GetTickCount();
        while (::WaitForSingleObject(process.Get(), 50) == WAIT_TIMEOUT && ::GetTickCount() - start < 30000) {
            if (auto box = TestSupport::FindMessageBox(started.dwProcessId)) {
                TestSupport::PressButton(*box, box->Has(IDNO) ? IDNO : IDOK);
                ::Sleep(200); // until the box has gone
            }
        }
        bool ended = ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
        if (!ended) {
            ::TerminateProcess(process.Get(), 1);
        }
        ASSERT_TRUE(ended) << "\"" << arguments << "\" still ran after 30 s";
        // Peek, never read: a process it started may still hold the pipe.
        DWORD available = 0;
        ::PeekNamedPipe(read.Get(), nullptr, 0, nullptr, &available, nullptr);
        EXPECT_EQ(0u, available) << "\"" << arguments << "\"";
    }
}

} // namespace
} // namespace ResourcesTest
