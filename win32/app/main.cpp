#include "win32/app/main_window.h"

#include <shellapi.h>

// The command line's arguments after the program's name: recordings to
// measure (Explorer names the files dropped on the program's icon there).
static std::vector<std::wstring> command_line_arguments()
{
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR *words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return arguments;
    for (int i = 1; i < count; i++)
        arguments.push_back(words[i]);
    LocalFree(words);
    return arguments;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return run_ventrok(instance, command_line_arguments());
}
