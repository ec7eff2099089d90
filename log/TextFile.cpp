// A small append-only text file over the Win32 file API.
#include "log/TextFile.h"

CTextFile& CTextFile::operator=(CTextFile&& other) noexcept
{
    if (this != &other)
    {
        Close();
        m_hFile = other.m_hFile;
        other.m_hFile = INVALID_HANDLE_VALUE;
    }
    return *this;
}

BOOL CTextFile::OpenForAppend(const std::wstring& strPath)
{
    Close();
    // Readers (the offline decoder, a viewer, a backup) are welcome while a line goes in.
    m_hFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
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

void CTextFile::Close()
{
    if (IsOpen())
    {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}
