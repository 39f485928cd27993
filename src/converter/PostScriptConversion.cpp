#include "PostScriptConversion.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "FileReader.h"
#include "Handle.h"
#include "SystemLocations.h"

namespace Converter {

using namespace Global;

namespace {

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

int PageCount(const std::string& postScript)
{
    int pages = 0;
    for (size_t at = postScript.find("\n%%Page:"); at != std::string::npos; at = postScript.find("\n%%Page:", at + 1)) {
        ++pages;
    }
    return pages;
}

// Ghostscript's handles on its files outlive its process by a moment (under
// Wine they do): until they are closed the file cannot be deleted, or stays
// listed while its deletion is pending. Two seconds is far more than the
// moment.
void RemoveWhenReleased(const std::wstring& path)
{
    const std::string name = ToAnsi(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        ::DeleteFileA(name.c_str());
        if (::GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES &&
            (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND)) {
            return;
        }
        ::Sleep(20);
    }
}

} // namespace

std::wstring GhostscriptPath()
{
    return GetProgramFolder() + L"\\Ghostscript\\gs.exe";
}

RenderedDocument ConvertPostScriptJob(const std::wstring& jobPath, const JobHeader& header)
{
    std::wstring ghostscript = GhostscriptPath();
    if (!FileExists(ghostscript)) {
        throw Failure(ExitCode::ConverterMissing, L"Ghostscript is missing: \"" + ghostscript +
                                                      L"\" is not there, so the printed job cannot be made a PDF.");
    }
    std::wstring psPath = jobPath + L".ps";
    std::wstring pdfPath = jobPath + L".pdf";
    std::wstring logPath = jobPath + L".gs.log";
    ScopeExit removeFiles([&] {
        for (const std::wstring& path : {psPath, pdfPath, logPath}) {
            RemoveWhenReleased(path);
        }
    });
    std::string postScript;
    try {
        FileReader job(jobPath);
        job.Seek(header.documentOffset);
        postScript = job.ReadExactly(static_cast<size_t>(header.documentSize));
        WriteFileBytes(psPath, postScript);
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    // Ghostscript's copy of the handle may outlive the wait for its process
    // by a moment (under Wine it does): the file must be deletable meanwhile.
    FileHandle log(::CreateFileA(ToAnsi(logPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) {
        ThrowFailure(ExitCode::SpoolUnusable, L"Ghostscript's messages cannot go to \"" + logPath + L"\"",
                     ::GetLastError());
    }
    std::string commandLine = "\"";
    commandLine += ToAnsi(ghostscript);
    commandLine += "\" -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite \"-sOutputFile=";
    commandLine += OutputNameForGhostscript(ToAnsi(pdfPath));
    commandLine += "\" \"";
    commandLine += ToAnsi(psPath);
    commandLine += "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = log.Get();
    startup.hStdError = log.Get();
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &started)) {
        ThrowFailure(ExitCode::ConverterMissing, L"Ghostscript \"" + ghostscript + L"\" cannot be started",
                     ::GetLastError());
    }
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    log.Reset();
    if (::WaitForSingleObject(process.Get(), GhostscriptLimitMilliseconds) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), 5000);
        throw Failure(ExitCode::DocumentRefused, L"Ghostscript did not finish the printed job within " +
                                                     std::to_wstring(GhostscriptLimitMilliseconds / 60000) +
                                                     L" minutes and was ended.");
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    if (exitCode != 0 || !FileExists(pdfPath)) {
        std::string words;
        try {
            words = LastLine(ReadFileBytes(logPath));
        } catch (const Error&) {
        }
        throw Failure(ExitCode::DocumentRefused, L"Ghostscript could not make a PDF of the printed job (exit " +
                                                     std::to_wstring(exitCode) + L")" +
                                                     (words.empty() ? L"" : L": " + FromAnsi(words)));
    }
    RenderedDocument rendered;
    try {
        rendered.pdf = ReadFileBytes(pdfPath);
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    rendered.summary =
        L"printed PostScript, " + std::to_wstring(PageCount(postScript)) + L" page(s), through Ghostscript";
    return rendered;
}

} // namespace Converter
