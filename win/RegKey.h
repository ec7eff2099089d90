// CRegKey: the one owner of an open registry key; closes it once. Move-only; a plain HKEY is the
// non-owning view (and the predefined roots need no owner).
#pragma once

#include <windows.h>

#include "win/HandleOwner.h"

struct CRegKeyTraits : CHandleTraits<HKEY>
{
    static void Destroy(HKEY h) { ::RegCloseKey(h); }
};

using CRegKey = CHandleOwner<CRegKeyTraits>;
