// The yardstick: the same four children, started back to back with the same
// signal-file steps, and nothing else.
//   MinimalChain <program folder> <print command> <output path>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Run(std::string command)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                         &startup, &info)) {
        ::WaitForSingleObject(info.hProcess, INFINITE);
        ::CloseHandle(info.hProcess);
        ::CloseHandle(info.hThread);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        return 2;
    }
    std::string folder = argv[1];
    char signal[1024] = {};
    ::GetEnvironmentVariableA("BENCH_SIGNAL", signal, sizeof signal);

    Run("\"" + folder + "\\PDFCreator.exe\" /ClearCache /NoStart");
    ::CloseHandle(::CreateFileA(signal, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    Run(argv[2]);
    while (::GetFileAttributesA(signal) != INVALID_FILE_ATTRIBUTES) {
        ::Sleep(1);
    }
    if (FILE* handOver = std::fopen(signal, "wb")) {
        std::fprintf(handOver, "%s\r\n", argv[3]);
        std::fclose(handOver);
    }
    Run(folder + "\\PDFCreator.exe");
    ::DeleteFileA(signal);
    Run("\"" + folder + "\\PDFCreator.exe\" /ClearCache /NoStart");
    return 0;
}
