// The soak: conversions through the real CommandLine.exe and the real
// converter, four at a time, one in five with a fault injected; the checks
// after every run and at the end, and the figures. scripts/soak builds it,
// runs it under Wine and compares each PDF's text with its document.
// Usage: Soak.exe <conversions> <seed> <work folder> <program folder> <Wine server pid> <results file>
//        [<a fault in one run of n> [<runs of the printer's share>]]
// The printer's share comes last: the printer is installed once every
// earlier run has ended, and removed at the end.
#include "ChildProcess.h"
#include "Faults.h"
#include "Files.h"
#include "MachineGauge.h"
#include "SoakRun.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Soak;

namespace {

constexpr size_t RunsAtOnce = 4;
constexpr DWORD PollIntervalMs = 5;
// What a quiet machine may gain between the first gauge after the warm-up
// and the last: Wine's caches settle, nothing grows with the number of runs.
constexpr long HandleSlack = 64;
constexpr long MemorySlackKb = 16 * 1024;

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

// The converter's spool lies beside the signal file.
std::string SpoolFolder(const Places& places)
{
    return places.Temp() + "\\PDFCreator\\Spool";
}

std::string Tabs(std::string text)
{
    std::replace(text.begin(), text.end(), '\t', ' ');
    std::replace(text.begin(), text.end(), '\n', '/');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : "; ") + part;
    }
    return joined;
}

struct GaugePoint {
    size_t afterRuns;
    Gauge gauge;
    size_t spoolJobs;
};

void CheckGrowth(const GaugePoint& from, const GaugePoint& to, std::vector<std::string>& failures)
{
    auto grew = [&](const char* what, long before, long after, long slack) {
        if (after - before > slack) {
            failures.push_back(std::string(what) + " grew from " + std::to_string(before) + " to " +
                               std::to_string(after) + " between run " + std::to_string(from.afterRuns) +
                               " and run " + std::to_string(to.afterRuns));
        }
    };
    grew("the process count", from.gauge.processes, to.gauge.processes, 0);
    grew("the processes' handles", from.gauge.processHandles, to.gauge.processHandles, HandleSlack);
    grew("the system's handle table", from.gauge.systemHandles, to.gauge.systemHandles, HandleSlack);
    grew("the processes' private KB", static_cast<long>(from.gauge.privateKb), static_cast<long>(to.gauge.privateKb),
         MemorySlackKb);
    grew("the processes' working set KB", static_cast<long>(from.gauge.workingSetKb),
         static_cast<long>(to.gauge.workingSetKb), MemorySlackKb);
    grew("the Wine server's resident KB", static_cast<long>(from.gauge.serverRssKb),
         static_cast<long>(to.gauge.serverRssKb), MemorySlackKb);
    grew("the Wine server's open files", from.gauge.serverFiles, to.gauge.serverFiles, HandleSlack);
}

// Runs PDFCreator.exe with that argument to its end (a minute at most): any
// end but 0 is a failure of the soak.
void RunConverter(const Places& places, const std::string& argument, std::vector<std::string>& failures)
{
    TestSupport::ChildProcess run("\"" + places.programFolder + "\\PDFCreator.exe\" " + argument, {}, places.work);
    std::optional<DWORD> code = run.WaitForExit(60000);
    if (!code || *code != 0) {
        failures.push_back("PDFCreator.exe " + argument + " ended with " + (code ? std::to_string(*code) : "no end"));
    }
}

// With no run under way, a print watcher ends within a poll (and at once
// once the printer is gone): the machine is gauged without one, and one
// that stays is left behind.
void WaitForWatchersToEnd(const std::string& when, std::vector<std::string>& failures)
{
    constexpr DWORD LimitMs = 10000;
    const DWORD start = ::GetTickCount();
    while (!ProcessesNamed("PDFCreator.exe").empty()) {
        if (::GetTickCount() - start > LimitMs) {
            failures.push_back("a print watcher still ran " + std::to_string(LimitMs / 1000) + " s " + when);
            return;
        }
        ::Sleep(50);
    }
}

// What a run may leave in its temporary folder once every run has ended:
// the working folder with its spool and, for the printer's runs, their
// printed jobs folder, both empty.
void CheckLeftBehind(const std::string& temp, std::vector<std::string>& failures)
{
    const std::string working = temp + "\\PDFCreator";
    if (TestSupport::PathExists(working + "\\CommandLine.txt")) {
        failures.push_back("the signal file is left behind in " + temp);
    }
    size_t expected = 0;
    for (const char* folder : {"\\Spool", "\\Printed"}) {
        if (TestSupport::PathExists(working + folder)) {
            ++expected;
            if (size_t entries = CountEntries(working + folder); entries > 0) {
                failures.push_back(std::to_string(entries) + " entries left in " + working + folder);
            }
        }
    }
    if (CountEntries(working) > expected) {
        failures.push_back(std::to_string(CountEntries(working) - expected) + " entries left in " + working);
    }
    if (CountEntries(temp) > 1) {
        failures.push_back(std::to_string(CountEntries(temp) - 1) + " entries left in " + temp);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7 || argc > 9) {
        std::fprintf(stderr, "usage: Soak.exe CONVERSIONS SEED WORK PROGRAM_FOLDER SERVER_PID RESULTS [FAULT_EVERY "
                             "[PRINTER_RUNS]]\n");
        return 64;
    }
    const size_t conversions = std::strtoul(argv[1], nullptr, 10);
    const uint32_t seed = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const Places places{argv[4], OwnFolder() + "\\SoakPrintRun.exe", argv[3],
                        OwnFolder() + "\\..\\tests\\printer\\PrintText.exe", OwnFolder() + "\\SoakPrintRaw.exe"};
    const unsigned long serverPid = std::strtoul(argv[5], nullptr, 10);
    const uint32_t faultEvery = argc >= 8 ? std::max(1ul, std::strtoul(argv[7], nullptr, 10)) : 5;
    const size_t printerRuns = std::min<size_t>(argc == 9 ? std::strtoul(argv[8], nullptr, 10) : 0, conversions);
    const size_t firstPrinterRun = conversions - printerRuns;
    FILE* results = std::fopen(argv[6], "w");
    if (results == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", argv[6]);
        return 66;
    }
    std::printf("soak: %zu conversions, seed %u, %zu at a time, a fault in one run of %u, the last %zu printed\n",
                conversions, seed, RunsAtOnce, faultEvery, printerRuns);
    std::fflush(stdout);

    const bool fullFolder = TestSupport::PathExists(places.FullFolder() + "\\filler");
    if (!fullFolder) {
        std::printf("soak: no full file system at %s: a file in place of the output folder instead\n",
                    places.FullFolder().c_str());
    }
    const std::vector<Fault> plan = PlanFaults(conversions, seed, faultEvery, fullFolder, printerRuns);
    const std::string spool = SpoolFolder(places);
    const size_t gaugeEvery = std::max<size_t>(conversions / 10, 10);
    std::vector<GaugePoint> gauges{{0, ReadGauge(serverPid), CountEntries(spool)}};
    std::vector<RunRecord> records;
    std::vector<std::string> failures; // those of the whole soak, not of one run
    size_t printerGauge = 0;           // the first gauge of the printer's share, when it ran

    const DWORD begin = ::GetTickCount();
    std::vector<std::unique_ptr<SoakRun>> active;
    bool exclusiveActive = false;
    size_t next = 0;
    size_t nextGauge = gaugeEvery;
    while (next < conversions || !active.empty()) {
        while (active.size() < RunsAtOnce && next < conversions && !exclusiveActive) {
            const bool exclusive = ExpectationOf(plan[next]).exclusive;
            const bool printerBegins = next == firstPrinterRun && printerRuns > 0;
            if ((next >= nextGauge || exclusive || printerBegins) && !active.empty()) {
                break; // wait until every run under way has ended
            }
            if (printerBegins) {
                // The plain share's machine as it ended, and the printer's from here.
                gauges.push_back({next, ReadGauge(serverPid), CountEntries(spool)});
                printerGauge = gauges.size();
                RunConverter(places, "/AddPrinter", failures);
                TestSupport::MakeFolders(places.SessionTemp(0));
                TestSupport::MakeFolders(places.SessionTemp(1));
                nextGauge = next + gaugeEvery;
            }
            if (next >= nextGauge) {
                if (printerGauge > 0) {
                    WaitForWatchersToEnd("after run " + std::to_string(next) + " with no run under way", failures);
                }
                gauges.push_back({next, ReadGauge(serverPid), CountEntries(spool)});
                nextGauge += gaugeEvery;
            }
            try {
                active.push_back(std::make_unique<SoakRun>(places, next, plan[next], seed));
            } catch (const std::exception& error) {
                failures.push_back("run " + std::to_string(next) + " could not start: " + error.what());
            }
            exclusiveActive = exclusive;
            ++next;
        }
        for (auto run = active.begin(); run != active.end();) {
            if (!(*run)->Poll()) {
                ++run;
                continue;
            }
            RunRecord record = (*run)->Finish();
            std::fprintf(results, "%zu\t%s\t%d\t%s\t%lu\t%lu\t%s\t%s\t%s\t%s\n", record.run,
                         ExpectationOf(record.fault).name, record.injected ? (record.late ? 2 : 1) : 0,
                         record.exited ? std::to_string(record.exitCode).c_str() : "killed", record.ms,
                         static_cast<unsigned long>(record.failures.size()), record.pdf.empty() ? "-" : record.pdf.c_str(),
                         record.expectedText.empty() ? "-" : record.expectedText.c_str(),
                         Tabs(Join(record.failures)).c_str(), Tabs(Join(record.boxes)).c_str());
            std::fflush(results);
            if (ExpectationOf(record.fault).exclusive) {
                exclusiveActive = false;
            }
            records.push_back(std::move(record));
            run = active.erase(run);
        }
        ::Sleep(PollIntervalMs);
    }
    const DWORD elapsed = ::GetTickCount() - begin;
    if (printerGauge > 0) {
        RunConverter(places, "/RemovePrinter", failures);
        WaitForWatchersToEnd("after /RemovePrinter", failures);
    }
    gauges.push_back({conversions, ReadGauge(serverPid), CountEntries(spool)});

    // Nothing may be left once the last run has ended.
    CheckLeftBehind(places.Temp(), failures);
    if (printerGauge > 0) {
        CheckLeftBehind(places.SessionTemp(0), failures);
        CheckLeftBehind(places.SessionTemp(1), failures);
    }
    for (const GaugePoint& point : gauges) {
        if (point.afterRuns > 0 && point.spoolJobs != 0) {
            failures.push_back(std::to_string(point.spoolJobs) + " spool entries after run " +
                               std::to_string(point.afterRuns) + " with no run under way");
        }
    }
    // Each share from its first gauge after the warm-up to its last: the
    // printer's installation is no growth.
    if (printerGauge == 0) {
        CheckGrowth(gauges[std::min<size_t>(1, gauges.size() - 1)], gauges.back(), failures);
    } else {
        CheckGrowth(gauges[std::min<size_t>(1, printerGauge - 1)], gauges[printerGauge - 1], failures);
        CheckGrowth(gauges[std::min(printerGauge, gauges.size() - 1)], gauges.back(), failures);
    }

    // The figures.
    std::printf("\nconversions: %zu in %.1f min: %.1f per minute\n", records.size(), elapsed / 60000.0,
                records.size() * 60000.0 / std::max<DWORD>(elapsed, 1));
    std::vector<DWORD> plain;
    for (const RunRecord& record : records) {
        if (record.fault == Fault::None) {
            plain.push_back(record.ms);
        }
    }
    std::sort(plain.begin(), plain.end());
    if (!plain.empty()) {
        std::printf("runs with no fault: %zu, median %lu ms, worst %lu ms\n", plain.size(), plain[plain.size() / 2],
                    plain.back());
    }
    std::printf("faults injected, by kind (exit codes seen):\n");
    for (const Expectation& row : AllExpectations()) {
        size_t planned = 0, injected = 0, late = 0;
        DWORD worstMs = 0;
        std::map<std::string, size_t> codes;
        for (const RunRecord& record : records) {
            if (record.fault == row.fault) {
                ++planned;
                worstMs = std::max(worstMs, record.ms);
                injected += record.injected;
                late += record.late;
                ++codes[record.exited ? std::to_string(record.exitCode) : "killed"];
            }
        }
        std::string seen;
        for (const auto& [code, count] : codes) {
            seen += (seen.empty() ? "" : ", ") + std::string("exit ") + code + " x" + std::to_string(count);
        }
        std::printf("  %-32s %4zu", row.name, row.fault == Fault::None ? planned : injected);
        if (row.fault != Fault::None && injected != planned) {
            std::printf(" (of %zu planned: the moment never came for the rest)", planned);
        }
        if (late > 0) {
            std::printf(" (%zu killed after the PDF was in place)", late);
        }
        std::printf("  %s%s\n", seen.c_str(), planned == 0 ? "" : (", worst " + std::to_string(worstMs) + " ms").c_str());
    }
    std::map<std::string, size_t> boxes;
    for (const RunRecord& record : records) {
        for (const std::string& box : record.boxes) {
            ++boxes[Tabs(box)];
        }
    }
    for (const auto& [text, count] : boxes) {
        std::printf("box seen %zu times: %s\n", count, text.c_str());
    }
    std::printf("machine (no run under way):\n");
    for (const GaugePoint& point : gauges) {
        std::printf("  after %5zu runs: %s; spool %zu\n", point.afterRuns, point.gauge.Describe().c_str(),
                    point.spoolJobs);
    }
    size_t failed = failures.size();
    for (const RunRecord& record : records) {
        for (const std::string& failure : record.failures) {
            std::printf("FAIL run %zu (%s): %s\n", record.run, ExpectationOf(record.fault).name, failure.c_str());
            ++failed;
        }
    }
    for (const std::string& failure : failures) {
        std::printf("FAIL %s\n", failure.c_str());
    }
    std::printf("invariant failures of the runs and the machine: %zu\n", failed);
    std::fclose(results);
    return failed == 0 ? 0 : 1;
}
