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

BOOL CTextFile::OpenForAppend(const std::string& strPath)
{
    Close();
    // Share mode 0: nobody else may read, write or delete the file while a line goes in.
    m_hFile = ::CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

BOOL CTextFile::SeekToEnd()
{
    LARGE_INTEGER zero = {};
    return IsOpen() && ::SetFilePointerEx(m_hFile, zero, nullptr, FILE_END);
}

BOOL CTextFile::WriteString(const std::string& strText)
{
    if (!IsOpen())
        return FALSE;
    std::string bytes;
    bytes.reserve(strText.size() + 8);
    for (char c : strText)
    {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    if (bytes.size() > MAXDWORD)
        return FALSE;
    DWORD nWritten = 0;
    const DWORD nWanted = static_cast<DWORD>(bytes.size());
    return ::WriteFile(m_hFile, bytes.data(), nWanted, &nWritten, nullptr) && nWritten == nWanted;
}

void CTextFile::Close()
{
    if (IsOpen())
    {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}
