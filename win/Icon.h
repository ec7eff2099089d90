// CIcon: the one owner of an HICON made by LoadImage, CreateIconIndirect or CopyIcon; destroys
// it once. Move-only; a plain HICON is the non-owning view (and shared icons need no owner).
#pragma once

#include <windows.h>

#include "win/HandleOwner.h"

struct CIconTraits : CHandleTraits<HICON>
{
    static void Destroy(HICON h) { ::DestroyIcon(h); }
};

using CIcon = CHandleOwner<CIconTraits>;
