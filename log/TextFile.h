// CTextFile: a file opened for appending through one owned HANDLE; the handle closes with the
// object. Others may read the file meanwhile, but nobody else may write it.
#pragma once

#include <string>

#include <windows.h>

class CTextFile
{
public:
    CTextFile() = default;
    ~CTextFile() { Close(); }
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;
    CTextFile(CTextFile&& other) noexcept : m_hFile(other.m_hFile)
    {
        other.m_hFile = INVALID_HANDLE_VALUE;
    }
    CTextFile& operator=(CTextFile&& other) noexcept;

    // Opens strPath for appending: by default created when missing (CREATE_NEW: only a new file,
    // OPEN_EXISTING: only an existing one), never truncated, shared for reading only. FALSE (the
    // reason in GetLastError) when the file cannot be opened.
    BOOL OpenForAppend(const std::wstring& strPath, DWORD dwDisposition = OPEN_ALWAYS);
    BOOL GetSize(ULONGLONG& nSize) const;
    // If the file of nSize bytes ends inside a line (a power cut, or a tail of NUL bytes where
    // the system had not yet written the data), ends that line, so that the next stands on its
    // own; nSize grows by what was written. FALSE when it could not be read or written.
    BOOL EndLastLine(ULONGLONG& nSize);
    // Writes the bytes at the end in one write. FALSE unless every byte was written; a write
    // cut short (a full disk) is taken back, so the file never ends in part of a line.
    BOOL Append(const std::string& bytes);
    // Asks the system to put what was written on the disk.
    BOOL Flush() { return IsOpen() && ::FlushFileBuffers(m_hFile); }
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
