// The conversions through the code page's own calls.
#include "win/AnsiText.h"

#include <windows.h>

std::wstring AnsiToWide(const std::string& text)
{
    const int nBytes = static_cast<int>(text.size());
    const int nWide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), nBytes, nullptr, 0);
    std::wstring wide(static_cast<size_t>(nWide > 0 ? nWide : 0), L'\0');
    if (nWide > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), nBytes, &wide[0], nWide);
    return wide;
}

std::string WideToAnsi(const std::wstring& text)
{
    const int nWide = static_cast<int>(text.size());
    const int nBytes =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), nWide, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(nBytes > 0 ? nBytes : 0), '\0');
    if (nBytes > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), nWide, &ansi[0], nBytes, nullptr, nullptr);
    return ansi;
}
