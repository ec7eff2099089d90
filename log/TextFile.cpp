// A small append-only text file over the Win32 file API.
#include "log/TextFile.h"

BOOL CTextFile::OpenForAppend(const std::wstring& strPath, DWORD dwDisposition)
{
    Close();
    // Readers (the offline decoder, a viewer, a backup) are welcome while a line goes in. Read
    // access of our own: a torn end is found by its last byte.
    m_hFile.Reset(::CreateFileW(strPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, dwDisposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    return IsOpen();
}

BOOL CTextFile::GetSize(ULONGLONG& nSize) const
{
    LARGE_INTEGER size = {};
    if (!IsOpen() || !::GetFileSizeEx(m_hFile, &size))
        return FALSE;
    nSize = static_cast<ULONGLONG>(size.QuadPart);
    return TRUE;
}

BOOL CTextFile::EndLastLine(ULONGLONG& nSize)
{
    if (nSize == 0)
        return TRUE;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(nSize - 1);
    at.OffsetHigh = static_cast<DWORD>((nSize - 1) >> 32);
    char last = 0;
    DWORD nRead = 0;
    if (!::ReadFile(m_hFile, &last, 1, &nRead, &at) || nRead != 1)
        return FALSE;
    if (last == '\n')
        return TRUE;
    // Cut between CR and LF, the line itself is whole.
    const std::string strEnd = last == '\r' ? "\n" : "\r\n";
    if (!Append(strEnd))
        return FALSE;
    nSize += strEnd.size();
    return TRUE;
}

BOOL CTextFile::Append(const std::string& bytes)
{
    LARGE_INTEGER zero = {}, end = {};
    if (!IsOpen() || bytes.size() > MAXDWORD || !::SetFilePointerEx(m_hFile, zero, &end, FILE_END))
        return FALSE;
    DWORD nWritten = 0;
    const DWORD nWanted = static_cast<DWORD>(bytes.size());
    const BOOL bWrote = ::WriteFile(m_hFile, bytes.data(), nWanted, &nWritten, nullptr);
    if (bWrote && nWritten == nWanted)
        return TRUE;
    // A write that succeeds short has run out of room.
    const DWORD dwError = bWrote ? ERROR_DISK_FULL : ::GetLastError();
    if (nWritten > 0 && ::SetFilePointerEx(m_hFile, end, nullptr, FILE_BEGIN))
        ::SetEndOfFile(m_hFile);
    ::SetLastError(dwError);
    return FALSE;
}

BOOL ReadWholeFile(const std::wstring& strPath, std::string& bytes)
{
    CKernelHandle hFile(::CreateFileW(strPath.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (hFile == nullptr || !::GetFileSizeEx(hFile, &size))
        return FALSE;
    // A log beyond this is no log of one day; reading it would only take the memory.
    if (size.QuadPart > 256 * 1048576LL)
    {
        ::SetLastError(ERROR_FILE_TOO_LARGE);
        return FALSE;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD nRead = 0;
    if (!bytes.empty() &&
        !::ReadFile(hFile, &bytes[0], static_cast<DWORD>(bytes.size()), &nRead, nullptr))
        return FALSE;
    bytes.resize(nRead);
    return TRUE;
}
