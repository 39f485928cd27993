// A program that hands the printer a PostScript job of its own, as a
// program with its own PostScript does (data type RAW), for the soak's
// printer share. With an event name it stops half-way through the job:
// it sets "<event>.half" and goes on once "<event>.go" is set (60 s at
// most), so that the soak can act while the job is being printed. Padding
// adds that many bytes of PostScript comments before the job's end.
// PRINT_TEXT_MUTEX, as for tests/printer's PrintText.exe, names a mutex
// held while the job is printed.
// Usage: SoakPrintRaw.exe "<printer>" <PostScript file> <document name> [<event> [<padding bytes>]]
// Exit 0 when the job was printed, 1 when not, 2 on a wrong call.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool Send(HANDLE printer, const std::string& bytes)
{
    DWORD written = 0;
    return ::WritePrinter(printer, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written) &&
           written == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    const std::string job((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string event = argc > 4 ? argv[4] : "";
    unsigned long long padding = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 0;

    HANDLE printer = nullptr;
    if (job.empty() || !::OpenPrinterA(argv[1], &printer, nullptr)) {
        std::fprintf(stderr, "SoakPrintRaw: no job, or the printer cannot be opened (error %lu)\n", ::GetLastError());
        return 1;
    }
    // Wine's spooler names a job's spool file by a number that counts in
    // each process alone: two processes that print at the same moment
    // write the same file, and one job is lost. The soak's printing
    // programs take turns at the spooler (PRINT_TEXT_MUTEX names the turn).
    HANDLE turn = nullptr;
    if (const char* name = std::getenv("PRINT_TEXT_MUTEX")) {
        turn = ::CreateMutexA(nullptr, FALSE, name);
        ::WaitForSingleObject(turn, 120000);
    }
    DOC_INFO_1A doc{argv[3], nullptr, const_cast<char*>("RAW")};
    bool printed = ::StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&doc)) != 0;
    const size_t half = job.size() / 2;
    printed = printed && Send(printer, job.substr(0, half));
    if (printed && !event.empty()) {
        HANDLE halfWay = ::CreateEventA(nullptr, TRUE, FALSE, (event + ".half").c_str());
        HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, (event + ".go").c_str());
        ::SetEvent(halfWay);
        ::WaitForSingleObject(go, 60000);
        ::CloseHandle(go);
        ::CloseHandle(halfWay);
    }
    const std::string comments = std::string(1 << 20, '%').replace((1 << 20) - 1, 1, "\n");
    for (; printed && padding > 0; padding -= std::min<unsigned long long>(padding, comments.size())) {
        printed = Send(printer, comments.substr(0, static_cast<size_t>(std::min<unsigned long long>(padding, comments.size()))));
    }
    printed = printed && Send(printer, job.substr(half));
    printed = ::EndDocPrinter(printer) && printed;
    if (!printed) {
        std::fprintf(stderr, "SoakPrintRaw: the job was not printed (error %lu)\n", ::GetLastError());
    }
    ::ClosePrinter(printer);
    if (turn) {
        ::ReleaseMutex(turn);
        ::CloseHandle(turn);
    }
    return printed ? 0 : 1;
}
