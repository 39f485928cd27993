// The benchmark's converter stand-in: does the least a converter side must
// and ends at once.
//   /ClearCache /NoStart      ends
//   /Print                    deletes the marker named by BENCH_SIGNAL
//   (no arguments)            reads the hand-over at BENCH_SIGNAL and writes
//                             a small file at the path it names
// With BENCH_TRACE set it appends "<performance counter at entry> <at exit>"
// to that file, so that the benchmark can tell where the time between the
// children goes.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

LONGLONG Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int Run(int argc, char** argv)
{
    char signal[1024] = {};
    ::GetEnvironmentVariableA("BENCH_SIGNAL", signal, sizeof signal);
    if (argc > 1 && std::strcmp(argv[1], "/Print") == 0) {
        ::DeleteFileA(signal);
        return 0;
    }
    if (argc > 1) {
        return 0;
    }
    std::string path;
    if (FILE* handOver = std::fopen(signal, "rb")) {
        int c;
        while ((c = std::fgetc(handOver)) != EOF && c != '\r') {
            path += static_cast<char>(c);
        }
        std::fclose(handOver);
    }
    if (FILE* output = std::fopen(path.c_str(), "wb")) {
        std::fputs("%PDF-1.4\n", output);
        std::fclose(output);
        return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    LONGLONG entry = Now();
    int code = Run(argc, argv);
    char trace[1024] = {};
    if (::GetEnvironmentVariableA("BENCH_TRACE", trace, sizeof trace) > 0) {
        LONGLONG exit = Now();
        if (FILE* file = std::fopen(trace, "ab")) {
            std::fprintf(file, "%lld %lld\n", entry, exit);
            std::fclose(file);
        }
    }
    return code;
}
