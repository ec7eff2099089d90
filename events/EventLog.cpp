// CEventLog: the source's handle, the event's type from its number, and the text lookup.
#include "events/EventLog.h"

#include <algorithm>

#include "win/AnsiText.h"

namespace
{
// The two top bits of a message number are its severity.
WORD EventType(DWORD dwEventID)
{
    switch (dwEventID >> 30)
    {
    case KESTRANE_SEVERITY_ERROR:
        return EVENTLOG_ERROR_TYPE;
    case KESTRANE_SEVERITY_WARNING:
        return EVENTLOG_WARNING_TYPE;
    default:
        return EVENTLOG_INFORMATION_TYPE;
    }
}
} // namespace

EventLogCalls CEventLog::s_calls = {::RegisterEventSourceW, ::ReportEventW,
                                    ::DeregisterEventSource};

void CEventLog::Report(DWORD dwEventID, const std::vector<std::string>& inserts)
{
    if (!m_hSource)
        m_hSource.Reset(s_calls.pfnRegister(nullptr, L"Kestrane"));
    if (!m_hSource)
        return;
    std::vector<std::wstring> wide;
    std::vector<LPCWSTR> strings;
    for (const std::string& s : inserts)
        wide.push_back(AnsiToWide(s));
    for (const std::wstring& w : wide)
        strings.push_back(w.c_str());
    s_calls.pfnReport(m_hSource.Get(), EventType(dwEventID), 0, dwEventID, nullptr,
                      static_cast<WORD>(strings.size()), 0, strings.data(), nullptr);
}

std::string CEventLog::Text(DWORD dwEventID, const std::vector<std::string>& inserts)
{
    std::vector<std::wstring> wide;
    std::vector<DWORD_PTR> args;
    for (const std::string& s : inserts)
        wide.push_back(AnsiToWide(s));
    // A text names up to six inserts: any it is not given read as empty, never past the array.
    wide.resize(std::max<size_t>(wide.size(), 9));
    for (const std::wstring& w : wide)
        args.push_back(reinterpret_cast<DWORD_PTR>(w.c_str()));
    wchar_t* pszText = nullptr;
    ::FormatMessageW(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
            FORMAT_MESSAGE_ARGUMENT_ARRAY,
        ::GetModuleHandleW(nullptr), dwEventID, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<LPWSTR>(&pszText), 0, reinterpret_cast<va_list*>(args.data()));
    if (!pszText)
        return std::string();
    std::string text = WideToAnsi(pszText);
    ::LocalFree(pszText);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}
