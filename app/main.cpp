// The program's entry point: one application object, one modal main window.
#include <windows.h>

#include "app/AnalyzerApp.h"

namespace
{
CAnalyzerApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    return theApp.Run(lpCmdLine);
}
