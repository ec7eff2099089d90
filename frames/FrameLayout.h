// The acceptor's frames as they lie on the line: the lead byte of each kind, its length, where
// a note read keeps its channel and value, and the kinds' names in reports. The monitor's
// decoder and the offline decoder both read frames through this. Portable.
#pragma once

enum FrameKind
{
    kKindNoteRead,
    kKindBlock,
    kKindCounterfeit,
    kKindOk,
    kKinds
};

// "note-read", "block", "counterfeit", "ok": the names the reports print.
extern const char* const kKindNames[kKinds];

enum : unsigned char
{
    kLeadCounterfeit = 0x92,
    kLeadBlock = 0x93,
    kLeadNoteRead = 0x97,
    kLeadOk = 0x98,
};

constexpr int kMaxFrameLength = 15;
// The checksum byte covers bytes 0 to 3, whatever the frame's length.
constexpr int kChecksumByte = 4;
// A note read's value and channel (1..12).
constexpr int kValueByte = 3;
constexpr int kChannelByte = 13;

// The frame length a lead byte fixes: 5, 10 or 15; 0 for a byte that starts no frame.
constexpr int FrameLengthFor(unsigned char lead)
{
    return lead == kLeadCounterfeit || lead == kLeadOk ? 5
           : lead == kLeadBlock                        ? 10
           : lead == kLeadNoteRead                     ? 15
                                                       : 0;
}

// The kind a lead byte starts; kKinds for a byte that starts no frame.
constexpr FrameKind FrameKindFor(unsigned char lead)
{
    return lead == kLeadNoteRead      ? kKindNoteRead
           : lead == kLeadBlock       ? kKindBlock
           : lead == kLeadCounterfeit ? kKindCounterfeit
           : lead == kLeadOk          ? kKindOk
                                      : kKinds;
}
