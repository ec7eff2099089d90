// Reading a captured byte stream into a report: raw bytes as they are, or hex text. Portable.
#pragma once

#include <cstdio>
#include <string>

#include "decode/FrameReport.h"

// Reads hex text a chunk at a time: pairs of digits make bytes, white space separates them,
// a line whose first mark is '#' is a comment. Lines end in LF, CR LF or CR alone.
class CHexReader
{
public:
    // Feeds the bytes of one chunk to the report; false and a message on bad text.
    bool Feed(const char* p, size_t n, CFrameReport& report, std::string& error);
    // The end of a token or of the input: a lone digit there is an odd count.
    bool Finish(std::string& error);

private:
    int m_nHigh = -1; // first digit of a byte, -1 for none
    long m_nLine = 1;
    int m_nPrevious = -1;     // the character before, for CR LF
    bool m_bLineStart = true; // only blanks so far on this line
    bool m_bComment = false;
};

// Feeds a whole stream, opened in binary, to the report, as hex text when hex is set. Returns
// an empty text when it was read to its end, else why not.
std::string DecodeStream(std::FILE* in, bool hex, CFrameReport& report);
