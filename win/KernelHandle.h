// CKernelHandle: the one owner of a kernel object handle (event, thread, file, port); closes it
// once. Null and INVALID_HANDLE_VALUE both mean "none", as the Win32 calls that make them differ.
#pragma once

#include <windows.h>

#include "win/HandleOwner.h"

struct CKernelHandleTraits
{
    using Handle = HANDLE;
    // A failed CreateFile (INVALID_HANDLE_VALUE) is no handle.
    static HANDLE Taken(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
    static void Destroy(HANDLE h) { ::CloseHandle(h); }
};

using CKernelHandle = CHandleOwner<CKernelHandleTraits>;
