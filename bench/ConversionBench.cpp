// Measures the front end's own overhead: the wall time of a full conversion
// through CommandLine.exe with instant children, against the same four
// children started back to back by a minimal runner, the start-up baseline
// (what any program with these duties pays) and an empty graphical program.
// Runs alternate so that all meet the same machine state. The front end's
// own cost, per repetition, is
//   CommandLine.exe - chain - (baseline - empty program)
// and is printed with its spread. A last pass, with the instant children
// writing timestamps, splits the difference between CommandLine.exe and the
// chain by stage.
//   ConversionBench [repetitions]
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
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

double Milliseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// The run's wall time in ms; its start and end on the performance counter.
double TimeRun(std::string command, const std::string& environment, LONGLONG* startTicks = nullptr,
               LONGLONG* endTicks = nullptr)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER start, end;
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
    if (startTicks != nullptr) {
        *startTicks = start.QuadPart;
        *endTicks = end.QuadPart;
    }
    return Milliseconds(end.QuadPart - start.QuadPart);
}

double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}

double Median(const std::vector<double>& values)
{
    return Quantile(values, 0.5);
}

// The five gaps of one traced run, in ms: start to the first child's entry,
// each child's exit to the next one's entry, the last child's exit to the
// end. Empty when the trace does not hold four children.
std::vector<double> Gaps(const std::string& trace, LONGLONG start, LONGLONG end)
{
    std::ifstream file(trace);
    std::vector<std::pair<LONGLONG, LONGLONG>> children;
    LONGLONG entry = 0, exit = 0;
    while (file >> entry >> exit) {
        children.push_back({entry, exit});
    }
    if (children.size() != 4) {
        return {};
    }
    std::vector<double> gaps = {Milliseconds(children[0].first - start)};
    for (size_t i = 1; i < children.size(); ++i) {
        gaps.push_back(Milliseconds(children[i].first - children[i - 1].second));
    }
    gaps.push_back(Milliseconds(end - children.back().second));
    return gaps;
}

// The current environment with TMP, TEMP, BENCH_SIGNAL and BENCH_TRACE replaced.
std::string Environment(const std::string& temp, const std::string& signal, const std::string& trace = {})
{
    std::string block;
    char* current = ::GetEnvironmentStringsA();
    for (const char* entry = current; *entry; entry += std::strlen(entry) + 1) {
        std::string text = entry;
        std::string upper = text;
        for (auto& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (upper.rfind("TMP=", 0) == 0 || upper.rfind("TEMP=", 0) == 0 || upper.rfind("BENCH_SIGNAL=", 0) == 0 ||
            upper.rfind("BENCH_TRACE=", 0) == 0) {
            continue;
        }
        block += text + '\0';
    }
    ::FreeEnvironmentStringsA(current);
    block += "TMP=" + temp + '\0' + "TEMP=" + temp + '\0' + "BENCH_SIGNAL=" + signal + '\0';
    if (!trace.empty()) {
        block += "BENCH_TRACE=" + trace + '\0';
    }
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
    std::string empty = "\"" + bin + "\\EmptyProgram.exe\"";

    TimeRun(frontEnd, environment); // first runs make the folders and warm the caches
    TimeRun(minimal, environment);
    TimeRun(baseline, environment);
    TimeRun(empty, environment);
    std::vector<double> frontEndTimes, minimalTimes, baselineTimes, emptyTimes, ownCosts;
    for (int i = 0; i < repetitions; ++i) {
        frontEndTimes.push_back(TimeRun(frontEnd, environment));
        minimalTimes.push_back(TimeRun(minimal, environment));
        baselineTimes.push_back(TimeRun(baseline, environment));
        emptyTimes.push_back(TimeRun(empty, environment));
        ownCosts.push_back(frontEndTimes.back() - minimalTimes.back() - (baselineTimes.back() - emptyTimes.back()));
    }
    double a = Median(frontEndTimes);
    double b = Median(minimalTimes);
    double c = Median(baselineTimes);
    double d = Median(emptyTimes);
    std::printf("repetitions: %d\n", repetitions);
    std::printf("CommandLine.exe, median:             %.1f ms\n", a);
    std::printf("minimal chain, median:               %.1f ms\n", b);
    std::printf("start-up baseline, median:           %.1f ms\n", c);
    std::printf("empty graphical program, median:     %.1f ms\n", d);
    std::printf("ratio to the minimal chain:          %.3f (target: at most 1.10)\n", a / b);
    std::printf("ratio to the chain plus the baseline: %.3f\n", a / (b + c));
    std::printf("own cost (CommandLine.exe - chain - (baseline - empty program)), per repetition:\n");
    std::printf("  median %.1f ms, quartiles %.1f .. %.1f ms, range %.1f .. %.1f ms (target: median at most 5 ms)\n",
                Median(ownCosts), Quantile(ownCosts, 0.25), Quantile(ownCosts, 0.75), Quantile(ownCosts, 0.0),
                Quantile(ownCosts, 1.0));

    // Where the difference goes: the same runs, the children keeping time.
    std::string trace = temp + "\\trace.txt";
    std::string tracing = Environment(temp, signal, trace);
    const char* stages[] = {"start-up to the first clear-cache run", "first clear-cache run to the print run",
                            "print run to the converter run", "converter run to the second clear-cache run",
                            "second clear-cache run to the end"};
    std::array<std::vector<double>, 5> frontEndGaps, minimalGaps;
    for (int i = 0; i < repetitions; ++i) {
        for (auto [command, gaps] : {std::pair{&frontEnd, &frontEndGaps}, std::pair{&minimal, &minimalGaps}}) {
            ::DeleteFileA(trace.c_str());
            LONGLONG start = 0, end = 0;
            TimeRun(*command, tracing, &start, &end);
            std::vector<double> run = Gaps(trace, start, end);
            for (size_t stage = 0; stage < run.size(); ++stage) {
                (*gaps)[stage].push_back(run[stage]);
            }
        }
    }
    std::printf("between the children, medians (CommandLine.exe / minimal chain / difference):\n");
    for (size_t stage = 0; stage < 5; ++stage) {
        if (frontEndGaps[stage].empty() || minimalGaps[stage].empty()) {
            continue;
        }
        double x = Median(frontEndGaps[stage]);
        double y = Median(minimalGaps[stage]);
        std::printf("  %-45s %7.1f %7.1f %7.1f ms\n", stages[stage], x, y, x - y);
    }
    return 0;
}
