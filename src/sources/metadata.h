#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging_service.h"

// A picture's descriptive data as read from its file: EXIF, XMP, IPTC and the ICC colour
// profile. Copies share the read data, which never changes after the read; an empty object
// carries nothing and writes nothing.
class PictureMetadata {
public:
    bool Empty() const { return blocks == nullptr; }
    bool HasExif() const;
    bool HasXmp() const;
    bool HasIptc() const;
    bool HasIcc() const;
    // The EXIF orientation, 1..8; 1 when absent or out of range.
    int Orientation() const;
    // The same data with the orientation it gives (if any) set to `orientation`, for pixels
    // that were turned part or all of the way.
    PictureMetadata WithOrientation(int orientation) const;

    struct Blocks;
    explicit PictureMetadata(std::shared_ptr<const Blocks> read = nullptr) : blocks(std::move(read)) {}
    const Blocks* Data() const { return blocks.get(); }

private:
    std::shared_ptr<const Blocks> blocks;
};

// Reads the metadata of a JPEG, PNG or TIFF file. A file that holds none gives an empty object
// and true; damaged metadata gives an empty object, false and the reason in `problem`.
bool ReadPictureMetadata(const std::string& path, PictureMetadata& out, std::string& problem);
bool ReadPictureMetadata(const uint8_t* data, size_t size, PictureMetadata& out, std::string& problem);

// Puts the metadata into a JPEG, PNG or TIFF file the encoders just wrote into memory, with the
// EXIF pixel dimensions made those of the written picture; other containers take nothing.
// False (the bytes as they were, the reason in `why`) when the library refuses.
bool EmbedPictureMetadata(std::vector<uint8_t>& encoded, ImageContainer container, const PictureMetadata& metadata,
                          int width, int height, std::string& why);
