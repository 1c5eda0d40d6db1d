// main() of every GUI test executable: unbuffered output (Wine's output reaches ctest through
// a file), no crash dialogs, then the tests.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdio>

namespace {
LONG WINAPI report_crash(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "crash: exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(report_crash);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
