// Measures the front end's own overhead: the wall time of a full conversion
// through CommandLine.exe with instant children, against the same four
// children started back to back by a minimal runner. Runs alternate so that
// both meet the same machine state; medians and their ratio are printed.
//   ConversionBench [repetitions]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Here()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\'));
}

double TimeRun(std::string command, const std::string& environment)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                          const_cast<char*>(environment.data()), nullptr, &startup, &info)) {
        std::fprintf(stderr, "cannot start: %s\n", command.c_str());
        std::exit(1);
    }
    if (::WaitForSingleObject(info.hProcess, 120000) != WAIT_OBJECT_0) {
        ::TerminateProcess(info.hProcess, 1);
        std::fprintf(stderr, "run did not end: %s\n", command.c_str());
        std::exit(1);
    }
    ::QueryPerformanceCounter(&end);
    DWORD code = 0;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    if (code != 0) {
        std::fprintf(stderr, "run ended with %lu: %s\n", code, command.c_str());
        std::exit(1);
    }
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The current environment with TMP, TEMP and BENCH_SIGNAL replaced.
std::string Environment(const std::string& temp, const std::string& signal)
{
    std::string block;
    char* current = ::GetEnvironmentStringsA();
    for (const char* entry = current; *entry; entry += std::strlen(entry) + 1) {
        std::string text = entry;
        std::string upper = text;
        for (auto& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (upper.rfind("TMP=", 0) == 0 || upper.rfind("TEMP=", 0) == 0 || upper.rfind("BENCH_SIGNAL=", 0) == 0) {
            continue;
        }
        block += text + '\0';
    }
    ::FreeEnvironmentStringsA(current);
    block += "TMP=" + temp + '\0' + "TEMP=" + temp + '\0' + "BENCH_SIGNAL=" + signal + '\0';
    return block + '\0';
}

} // namespace

int main(int argc, char** argv)
{
    int repetitions = argc > 1 ? std::atoi(argv[1]) : 15;
    std::string bin = Here();
    std::string temp = bin + "\\bench-temp";
    ::CreateDirectoryA(temp.c_str(), nullptr);
    char longTemp[MAX_PATH] = {};
    ::GetLongPathNameA((temp + "\\").c_str(), longTemp, MAX_PATH);
    std::string signal = std::string(longTemp) + "PDFCreator\\CommandLine.txt";
    std::string environment = Environment(temp, signal);
    std::string print = "\"" + bin + "\\PDFCreator.exe\" /Print";
    std::string output = temp + "\\out.pdf";

    std::string frontEnd = "\"" + bin + "\\CommandLine.exe\" {" + print + "} {" + output + "}";
    std::string minimal = "\"" + bin + "\\MinimalChain.exe\" \"" + bin + "\" \"" + print + "\" \"" + output + "\"";

    std::string baseline = "\"" + bin + "\\StartupBaseline.exe\"";

    TimeRun(frontEnd, environment); // first runs make the folders and warm the caches
    TimeRun(minimal, environment);
    TimeRun(baseline, environment);
    std::vector<double> frontEndTimes, minimalTimes, baselineTimes;
    for (int i = 0; i < repetitions; ++i) {
        frontEndTimes.push_back(TimeRun(frontEnd, environment));
        minimalTimes.push_back(TimeRun(minimal, environment));
        baselineTimes.push_back(TimeRun(baseline, environment));
    }
    double a = Median(frontEndTimes);
    double b = Median(minimalTimes);
    double c = Median(baselineTimes);
    std::printf("repetitions: %d\n", repetitions);
    std::printf("CommandLine.exe, median:             %.1f ms\n", a);
    std::printf("minimal chain, median:               %.1f ms\n", b);
    std::printf("start-up baseline, median:           %.1f ms\n", c);
    std::printf("ratio to the minimal chain:          %.3f (target: at most 1.10)\n", a / b);
    std::printf("ratio to the chain plus the baseline: %.3f\n", a / (b + c));
    return 0;
}
