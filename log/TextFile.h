// CTextFile: a file opened for appending through one owned handle, which closes with the
// object. Others may read the file meanwhile, but nobody else may write it.
#pragma once

#include <string>

#include <windows.h>

#include "win/KernelHandle.h"

class CTextFile
{
public:
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
    void Close() { m_hFile.Reset(); }
    bool IsOpen() const { return m_hFile != nullptr; }

private:
    CKernelHandle m_hFile;
};

// The whole of the file at strPath into bytes, read while others go on writing it. FALSE (the
// reason in GetLastError) when it could not be read.
BOOL ReadWholeFile(const std::wstring& strPath, std::string& bytes);
