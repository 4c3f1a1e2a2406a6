// Running the converter on Windows: the program is looked for as the command
// interpreter looks for a typed command (the current folder, then each folder
// of PATH), started directly with its error stream on a pipe, and waited for.
//
// Going through std::system and cmd.exe would leave no way to read the error
// stream apart from standard output. Ctrl-C reaches every process attached to
// the console, the advisor included, and the default handler ends each of
// them, whatever this thread is waiting on: nothing needs adding for it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <iostream>
#include <string>

#include "capture/converter/converter_messages.h"
#include "capture/converter/converter_run.h"

namespace {

// Said once, as on POSIX: a missing converter leaves the last frame to be
// analysed again, and a line every frame would scroll the board away.
void ReportUnstartable(const std::string& program, const std::string& reason) {
  static bool reported = false;
  if (reported) return;
  reported = true;
  std::cerr << "bottlewatch: cannot run " << program << ": " << reason << std::endl;
}

std::string SystemMessage(DWORD error) {
  char text[512] = "";
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : message;
}

std::wstring Variable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return L"";
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::wstring CurrentFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return L"";
  std::wstring folder(size, L'\0');
  folder.resize(GetCurrentDirectoryW(size, folder.data()));
  return folder;
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The full path of name + ".exe" in the current folder or the first folder of
// PATH that holds it, or an empty string. CreateProcess's own search would try
// System32 before PATH, and find the disk tool "convert.exe" there first.
std::wstring FindProgram(const std::string& name) {
  const std::wstring file = std::wstring(name.begin(), name.end()) + L".exe";
  std::wstring folders = CurrentFolder() + L";" + Variable(L"PATH");
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(L';', start);
    if (end == std::wstring::npos) end = folders.size();
    std::wstring folder = folders.substr(start, end - start);
    start = end + 1;
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') {
      folder = folder.substr(1, folder.size() - 2);
    }
    if (folder.empty()) continue;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    if (IsFile(folder + file)) return folder + file;
  }
  return L"";
}

// A copy of one of the advisor's standard handles that the converter can
// inherit; the advisor's own may not be inheritable. INVALID_HANDLE_VALUE
// when the advisor has none.
HANDLE InheritableCopy(DWORD which) {
  const HANDLE own = GetStdHandle(which);
  HANDLE copy = INVALID_HANDLE_VALUE;
  if (own == nullptr || own == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return INVALID_HANDLE_VALUE;
  }
  return copy;
}

void CloseIfValid(HANDLE handle) {
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

}  // namespace

bool ProgramOnPath(const char* name) {
  return !FindProgram(name).empty();
}

void RunConverter(const char* commandLine) {
  // One for the life of the process: a line is said once per run of the
  // advisor, not once per frame.
  static ConverterMessages messages;
  const std::string line(commandLine);
  const std::string name = line.substr(0, line.find(' '));
  const std::wstring program = FindProgram(name);
  if (program.empty()) {
    ReportUnstartable(name, "not found in the current folder or on PATH");
    return;
  }

  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
    ReportUnstartable(name, SystemMessage(GetLastError()));
    return;
  }
  // The converter must not hold the read end, or the stream would not end
  // with it.
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = InheritableCopy(STD_INPUT_HANDLE);
  startup.hStdOutput = InheritableCopy(STD_OUTPUT_HANDLE);
  startup.hStdError = writeEnd;
  std::wstring arguments(line.begin(), line.end());
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(program.c_str(), arguments.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  const DWORD error = GetLastError();
  CloseIfValid(startup.hStdInput);
  CloseIfValid(startup.hStdOutput);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    ReportUnstartable(name, SystemMessage(error));
    return;
  }
  CloseHandle(process.hThread);

  // Read while it runs, so that it never stalls on a full pipe; the stream
  // ends when the converter (and whatever it started with that stream) ends.
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    messages.Take(buffer, got, std::cerr);
  }
  messages.EndOfRun(std::cerr);
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
}
