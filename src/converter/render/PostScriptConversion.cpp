#include "PostScriptConversion.h"

#include "AnsiText.h"
#include "DocumentError.h"
#include "ConverterExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "FileReader.h"
#include "Handle.h"
#include "PdfCheck.h"
#include "ProcessStart.h"
#include "SystemLocations.h"

#include <algorithm>
#include <optional>

namespace Converter {

using namespace Global;

namespace {

// How much of the job's start and end is read for its DSC comments: the
// header and the trailer are a few lines, never more than this.
constexpr size_t CommentsReach = 64 * 1024;
// How much of the job is held at once while it is copied for Ghostscript.
constexpr size_t CopyPiece = 1 << 20;

// Ghostscript reads a '%' in an output name as the page number's format.
std::string OutputNameForGhostscript(const std::string& path)
{
    std::string escaped;
    for (char c : path) {
        escaped += c;
        if (c == '%') {
            escaped += '%';
        }
    }
    return escaped;
}

std::string LastLine(const std::string& text)
{
    size_t end = text.find_last_not_of("\r\n ");
    if (end == std::string::npos) {
        return {};
    }
    size_t before = text.find_last_of("\r\n", end);
    size_t start = before == std::string::npos ? 0 : before + 1;
    return text.substr(start, end - start + 1);
}

// The number after "%%Pages:" on a line of DSC comments; nothing for
// "(atend)" or anything else.
std::optional<int> PagesOf(std::string_view line)
{
    line.remove_prefix(std::min(line.size(), sizeof "%%Pages:" - 1));
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line[start] < '0' || line[start] > '9') {
        return std::nullopt;
    }
    int pages = 0;
    for (size_t i = start; i < line.size() && line[i] >= '0' && line[i] <= '9' && pages < 1000000; ++i) {
        pages = pages * 10 + (line[i] - '0');
    }
    return pages;
}

// The pages a job says it has: "%%Pages: N" among its header comments (up to
// %%EndComments or the first line that is no comment), or in its trailer
// (after the last %%Trailer), which wins, as it does for a header's
// "%%Pages: (atend)". Nothing where the job does not say.
std::optional<int> StatedPages(std::string_view header, std::string_view trailer)
{
    std::optional<int> stated;
    auto scan = [&](std::string_view text, bool headerComments) {
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find_first_of("\r\n", at);
            std::string_view line = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
            if (headerComments && (line.substr(0, 1) != "%" || line.substr(0, 14) == "%%EndComments")) {
                return;
            }
            if (line.substr(0, 8) == "%%Pages:") {
                if (std::optional<int> pages = PagesOf(line)) {
                    stated = pages;
                }
            }
            if (end == std::string_view::npos) {
                return;
            }
            at = text.find_first_not_of("\r\n", end);
            if (at == std::string_view::npos) {
                return;
            }
        }
    };
    // A driver may put a printer's preamble (PJL, a Ctrl-D) before the
    // PostScript.
    size_t start = header.find("%!PS");
    if (start != std::string_view::npos) {
        scan(header.substr(start), true);
    }
    size_t trailerStart = trailer.rfind("%%Trailer");
    if (trailerStart != std::string_view::npos) {
        scan(trailer.substr(trailerStart), false);
    }
    return stated;
}

// What of the job's document matters beyond Ghostscript: its first and last
// bytes, where its DSC comments are.
struct JobEnds {
    std::string header;
    std::string trailer;
};

// Copies the job's document into its own file, a piece at a time, so that a
// job of any size costs one piece of memory.
JobEnds CopyDocument(const StoredJob& stored, const std::wstring& psPath)
{
    FileReader job(stored.path);
    FileHandle copy(::CreateFileA(ToAnsi(psPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) {
        ThrowSystemError(L"\"" + psPath + L"\" could not be made", ::GetLastError());
    }
    JobEnds ends;
    job.Seek(stored.offset);
    for (unsigned long long left = stored.size; left > 0;) {
        std::string_view piece = job.Read(static_cast<size_t>(std::min<unsigned long long>(left, CopyPiece)));
        if (piece.empty()) {
            throw Error(L"The print job \"" + stored.path + L"\" ends before its document does.");
        }
        if (ends.header.size() < CommentsReach) {
            ends.header.append(piece.substr(0, CommentsReach - ends.header.size()));
        }
        DWORD written = 0;
        if (!::WriteFile(copy.Get(), piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) ||
            written != piece.size()) {
            ThrowSystemError(L"\"" + psPath + L"\" could not be written", ::GetLastError());
        }
        left -= piece.size();
    }
    unsigned long long tail = std::min<unsigned long long>(stored.size, CommentsReach);
    job.Seek(stored.offset + stored.size - tail);
    ends.trailer = job.ReadExactly(static_cast<size_t>(tail));
    return ends;
}

// Ghostscript's environment, made whole here rather than inherited: nothing
// of the user's may steer it. GS_LIB, GS_OPTIONS, GS_FONTPATH, GS_DEVICE and
// CIDFSUBSTPATH would add folders it may read under -dSAFER or switch its
// options; TEMP, TMP and TMPDIR name the folder of this job's files alone,
// since -dSAFER lets it read, write and delete there (its scratch files).
// Names sorted, as CreateProcess asks.
std::string GhostscriptEnvironment(const std::wstring& workFolder)
{
    std::string block;
    auto add = [&](const std::string& name, const std::string& value) {
        block += name + "=" + value;
        block += '\0';
    };
    char windows[MAX_PATH] = {};
    UINT length = ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        add("SystemRoot", windows);
    }
    const std::string folder = ToAnsi(workFolder);
    add("TEMP", folder);
    add("TMP", folder);
    add("TMPDIR", folder);
    block += '\0';
    return block;
}

// A job object that ends Ghostscript when its last handle closes: when this
// process ends, however it ends, Ghostscript goes with it.
KernelHandle KillOnCloseJob()
{
    KernelHandle job(::CreateJobObjectA(nullptr, nullptr));
    if (!job) {
        ThrowFailure(ExitCode::UnexpectedError, L"No job object can be made for Ghostscript", ::GetLastError());
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        ThrowFailure(ExitCode::UnexpectedError, L"Ghostscript's job object cannot be made to end it with the converter",
                     ::GetLastError());
    }
    return job;
}

// Ghostscript's pdfwrite on the work folder's job.ps, into its job.pdf, its
// messages into gs.log; bound to this process and to its time limit.
// Returns its exit code.
DWORD RunGhostscript(const std::wstring& ghostscript, const std::wstring& folder)
{
    const std::wstring logPath = folder + L"\\gs.log";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    // Ghostscript's copy of the handle may outlive the wait for its process
    // by a moment (under Wine it does): the file must be deletable meanwhile.
    FileHandle log(::CreateFileA(ToAnsi(logPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) {
        ThrowFailure(ExitCode::SpoolUnusable, L"Ghostscript's messages cannot go to \"" + logPath + L"\"",
                     ::GetLastError());
    }
    // -P-: the current folder is not searched first (it is the work folder
    // anyway).
    ProcessStart start;
    start.commandLine = L"\"" + ghostscript + L"\" -q -P- -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite \"-sOutputFile=" +
                        FromAnsi(OutputNameForGhostscript(ToAnsi(folder + L"\\job.pdf"))) + L"\" \"" + folder +
                        L"\\job.ps\"";
    start.currentFolder = folder;
    start.environment = GhostscriptEnvironment(folder);
    start.inheritHandles = true;
    // Started suspended, so that it runs nothing before it is in the job.
    start.creationFlags = CREATE_NO_WINDOW | CREATE_SUSPENDED;
    start.hidden = true;
    start.standardOutput = log.Get();
    start.standardError = log.Get();
    // Not inheritable: were Ghostscript to hold a handle on its own job, the
    // job would outlive this process.
    KernelHandle job = KillOnCloseJob();
    StartedProcess started = StartProcess(start);
    if (!started.process) {
        ThrowFailure(ExitCode::ConverterMissing, L"Ghostscript \"" + ghostscript + L"\" cannot be started",
                     started.error);
    }
    log.Reset();
    // Windows 7 nests no job objects: a converter that runs in a job of its
    // caller's that lets no child break away cannot bind Ghostscript to its
    // own. The job is converted all the same, Ghostscript bound then only by
    // its time limit, as long as the converter lives.
    ::AssignProcessToJobObject(job.Get(), started.process.Get());
    ::ResumeThread(started.thread.Get());
    if (::WaitForSingleObject(started.process.Get(), GhostscriptLimitMilliseconds) != WAIT_OBJECT_0) {
        ::TerminateProcess(started.process.Get(), 1);
        ::WaitForSingleObject(started.process.Get(), 5000);
        throw Failure(ExitCode::DocumentRefused, L"Ghostscript did not finish the printed job within " +
                                                     std::to_wstring(GhostscriptLimitMilliseconds / 60000) +
                                                     L" minutes and was ended.");
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(started.process.Get(), &exitCode);
    return exitCode;
}

// Ghostscript's PDF, once it is known to hold every page the job announces.
CheckedPdf ReadGhostscriptPdf(const std::wstring& folder, DWORD exitCode, const JobEnds& ends)
{
    const std::wstring pdfPath = folder + L"\\job.pdf";
    if (exitCode != 0 || !FileExists(pdfPath)) {
        std::string words;
        try {
            words = LastLine(ReadFileBytes(folder + L"\\gs.log"));
        } catch (const Error&) {
        }
        throw Failure(ExitCode::DocumentRefused, L"Ghostscript could not make a PDF of the printed job (exit " +
                                                     std::to_wstring(exitCode) + L")" +
                                                     (words.empty() ? L"" : L": " + FromAnsi(words)));
    }
    CheckedPdf written;
    try {
        written = CheckPdf(ReadFileBytes(pdfPath));
    } catch (const Document::DocumentError& error) {
        throw Failure(ExitCode::DocumentRefused,
                      L"Ghostscript's PDF of the printed job has no page to read: " + error.Description());
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    // A job that ends itself early (a "quit" after its first pages) leaves
    // Ghostscript a PDF of what came before, with exit 0: where the job says
    // how many pages it has, fewer is a job cut short, not a document.
    std::optional<int> stated = StatedPages(ends.header, ends.trailer);
    if (stated && written.pages < static_cast<size_t>(*stated)) {
        throw Failure(ExitCode::DocumentRefused,
                      L"The printed job ended after " + std::to_wstring(written.pages) + L" of the " +
                          std::to_wstring(*stated) + L" pages it announces (%%Pages), so no PDF of part of it is made.");
    }
    return written;
}

} // namespace

std::wstring GhostscriptPath()
{
    return GetProgramFolder() + L"\\Ghostscript\\gs.exe";
}

bool RemoveWorkFolder(const std::wstring& folder) noexcept
{
    try {
        const std::string ansi = ToAnsi(folder);
        for (int attempt = 0; attempt < 100; ++attempt) {
            WIN32_FIND_DATAA found{};
            FindHandle search(::FindFirstFileA((ansi + "\\*").c_str(), &found));
            if (search) {
                do {
                    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                        ::DeleteFileA((ansi + "\\" + found.cFileName).c_str());
                    }
                } while (::FindNextFileA(search.Get(), &found));
            }
            search.Reset();
            if (::RemoveDirectoryA(ansi.c_str()) ||
                ::GetFileAttributesA(ansi.c_str()) == INVALID_FILE_ATTRIBUTES) {
                return true;
            }
            ::Sleep(20);
        }
    } catch (...) {
    }
    return false;
}

RenderedDocument ConvertPostScriptJob(const StoredJob& job, const std::wstring& folder)
{
    std::wstring ghostscript = GhostscriptPath();
    if (!FileExists(ghostscript)) {
        throw Failure(ExitCode::ConverterMissing, L"Ghostscript is missing: \"" + ghostscript +
                                                      L"\" is not there, so the printed job cannot be made a PDF.");
    }
    // Ghostscript may read, under -dSAFER, only its own files: the job's
    // copy, its output and its scratch files, all in a folder of the job's
    // own, and what is compiled into it. A killed conversion of the same job
    // may have left it.
    RemoveWorkFolder(folder);
    if (!::CreateDirectoryA(ToAnsi(folder).c_str(), nullptr)) {
        ThrowFailure(ExitCode::SpoolUnusable, L"The folder \"" + folder + L"\" for Ghostscript could not be made",
                     ::GetLastError());
    }
    ScopeExit removeFolder([&] { RemoveWorkFolder(folder); });
    JobEnds ends;
    try {
        ends = CopyDocument(job, folder + L"\\job.ps");
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    CheckedPdf written = ReadGhostscriptPdf(folder, RunGhostscript(ghostscript, folder), ends);
    RenderedDocument rendered;
    rendered.pdf = std::move(written.bytes);
    rendered.summary =
        L"printed PostScript, " + std::to_wstring(written.pages) + L" page(s), through Ghostscript";
    return rendered;
}

} // namespace Converter
