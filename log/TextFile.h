// CTextFile: a file opened for writing text through one owned HANDLE. Writes translate every
// "\n" into CR LF, as a text-mode stream does; the handle closes with the object.
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

    // Opens strPath for appending: created when missing, never truncated, not shared with
    // anyone while open. FALSE when the file cannot be opened.
    BOOL OpenForAppend(const std::string& strPath);
    BOOL SeekToEnd();
    // Writes the text with each "\n" stored as CR LF, in one write so a line is never split
    // between two calls. FALSE unless every byte was written.
    BOOL WriteString(const std::string& strText);
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
