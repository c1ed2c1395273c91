#pragma once
#include <cstdint>
#include <vector>

// The system clipboard as the program uses it: device-independent bitmap blocks (CF_DIB: an
// info header, palette or colour masks, then the rows) in and out.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Takes the clipboard for this program until Close; false when another holds it.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // Removes everything the clipboard holds (open only).
    virtual void Empty() = 0;
    // A bitmap is on the clipboard (one the platform can turn into CF_DIB counts).
    virtual bool HasDib() = 0;
    // Copies the CF_DIB block out; false when there is none.
    virtual bool GetDib(std::vector<uint8_t>& block) = 0;
    // Hands a CF_DIB block to the clipboard, which keeps it.
    virtual bool SetDib(std::vector<uint8_t>&& block) = 0;
    // The wait cursor while a copy runs.
    virtual void SetBusy(bool /*busy*/) {}
};
