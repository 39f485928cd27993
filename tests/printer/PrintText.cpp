// A program that prints, as any Windows program does: a known text through
// GDI (StartDoc, TextOut, EndDoc) to a named printer, then it exits.
// Usage: PrintText.exe "<printer>" <words per page> <pages> [<document name> [<ms to wait first>]]
// The text is "w<page>x<n>" for each word, so that a reader of the PDF can
// check every word. Exit 0 when the job was printed, 1 when not. With
// PRINT_TEXT_MUTEX set, the job is printed while that named mutex is held:
// under Wine, two processes that print at the same moment would write the
// same spool file.
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 4) {
        return 2;
    }
    const char* printer = argv[1];
    int words = std::atoi(argv[2]);
    int pages = std::atoi(argv[3]);
    const char* name = argc > 4 ? argv[4] : "PrintText";
    if (argc > 5) {
        ::Sleep(static_cast<DWORD>(std::atoi(argv[5]))); // a program that prints a while after it starts
    }
    HANDLE turn = nullptr;
    if (const char* mutex = std::getenv("PRINT_TEXT_MUTEX")) {
        turn = ::CreateMutexA(nullptr, FALSE, mutex);
        ::WaitForSingleObject(turn, 120000);
    }
    HDC dc = ::CreateDCA(nullptr, printer, nullptr, nullptr);
    if (!dc) {
        return 1;
    }
    DOCINFOA doc{sizeof doc, name, nullptr, nullptr, 0};
    bool printed = ::StartDocA(dc, &doc) > 0;
    HFONT font = ::CreateFontA(-::MulDiv(11, ::GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                               ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = ::SelectObject(dc, font);
    int lineHeight = ::MulDiv(16, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    int margin = ::GetDeviceCaps(dc, LOGPIXELSX);
    for (int page = 1; printed && page <= pages; ++page) {
        printed = ::StartPage(dc) > 0;
        std::string line;
        int y = margin;
        for (int n = 1; printed && n <= words; ++n) {
            line += "w" + std::to_string(page) + "x" + std::to_string(n) + " ";
            if (n % 8 == 0 || n == words) {
                ::TextOutA(dc, margin, y, line.c_str(), static_cast<int>(line.size()) - 1);
                y += lineHeight;
                line.clear();
            }
        }
        printed = printed && ::EndPage(dc) > 0;
    }
    printed = printed && ::EndDoc(dc) > 0;
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    if (turn) {
        ::ReleaseMutex(turn);
        ::CloseHandle(turn);
    }
    return printed ? 0 : 1;
}
