// A child for the runner's tests: ChildProbe <exit code> [milliseconds to
// sleep] [file to record its start-up record in].
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    unsigned long code = argc > 1 ? std::strtoul(argv[1], nullptr, 0) : 0;
    if (argc > 1 && argv[1][0] == '-') {
        code = static_cast<unsigned long>(std::strtol(argv[1], nullptr, 0));
    }
    if (argc > 2) {
        ::Sleep(std::strtoul(argv[2], nullptr, 0));
    }
    if (argc > 3) {
        STARTUPINFOA startup{};
        ::GetStartupInfoA(&startup);
        if (FILE* record = std::fopen(argv[3], "wb")) {
            std::fprintf(record, "%lu %u\n%s", startup.dwFlags, startup.wShowWindow, ::GetCommandLineA());
            std::fclose(record);
        }
    }
    ::ExitProcess(code);
}
