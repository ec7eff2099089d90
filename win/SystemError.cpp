// Error codes into text through FormatMessage.
#include "win/SystemError.h"

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
    const std::wstring strText = SystemErrorText(dwError);
    const int nWide = static_cast<int>(strText.size());
    const int nBytes =
        ::WideCharToMultiByte(CP_ACP, 0, strText.data(), nWide, nullptr, 0, nullptr, nullptr);
    std::string strAnsi(static_cast<size_t>(nBytes > 0 ? nBytes : 0), '\0');
    if (nBytes > 0)
        ::WideCharToMultiByte(CP_ACP, 0, strText.data(), nWide, &strAnsi[0], nBytes, nullptr,
                              nullptr);
    return strAnsi;
}
