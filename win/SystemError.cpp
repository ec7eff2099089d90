// Error codes into text through FormatMessage.
#include "win/SystemError.h"

#include "win/AnsiText.h"

std::wstring SystemErrorText(DWORD dwError)
{
    wchar_t* pszText = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    std::wstring strText =
        nLength > 0 ? std::wstring(pszText, nLength) : L"error " + std::to_wstring(dwError);
    ::LocalFree(pszText);
    while (!strText.empty() && (strText.back() == L'\n' || strText.back() == L'\r'))
        strText.pop_back();
    return strText;
}

std::string SystemErrorTextA(DWORD dwError)
{
    return WideToAnsi(SystemErrorText(dwError));
}
