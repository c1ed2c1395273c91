#include "cbrindordoc.h"
#include "orientation.h"

namespace {

// Gives the picture its upright pixels; false (the picture as it was) when memory runs out.
bool OrientPicture(DecodedPicture& picture, int orientation)
{
    const bool swaps = OrientationSwapsSides(orientation);
    const int width = swaps ? picture.height : picture.width;
    const int height = swaps ? picture.width : picture.height;
    SourceImage upright;
    if (!AllocateSourceImage(upright, width, height, 24))
        return false;
    OrientPlane(picture.image.dib + SourceHeaderSize, size_t(SourceRowSize(picture.width, 24)), picture.width,
                picture.height, 3, orientation, upright.dib + SourceHeaderSize, size_t(SourceRowSize(width, 24)));
    if (picture.image.alpha != nullptr) {
        uint8_t* alpha = AllocateAlpha(upright, width, height);
        if (alpha == nullptr)
            return false;
        OrientPlane(picture.image.alpha, size_t(picture.width), picture.width, picture.height, 1, orientation, alpha,
                    size_t(width));
    }
    picture.image = std::move(upright);
    picture.width = width;
    picture.height = height;
    return true;
}

// The TIFF reader already mirrors the rows as the file's orientation says (for 5..8 as if the
// stored rows were the upright ones), leaving at most a turn about a diagonal.
int TiffTurnLeft(int orientation)
{
    switch (orientation) {
    case 5:
    case 7: return 5;
    case 6:
    case 8: return 7;
    default: return 1;
    }
}

}  // namespace

void CbrindorDoc::TakeMetadata(const std::string& filePath, ImageContainer container, DecodedPicture& picture)
{
    metadataProblem.clear();
    if (container != ImageContainer::Jpeg && container != ImageContainer::Png && container != ImageContainer::Tiff)
        return;
    // Nothing would use it: the pixels stay as stored and no save keeps it.
    if (!autoOrient && stripMetadata)
        return;
    PictureMetadata read;
    if (!ReadPictureMetadata(filePath, read, metadataProblem)) {
        metadataProblem = "metadata dropped: " + metadataProblem;
        return;
    }
    // PNG has no orientation of its own that its readers agree on; JPEG and TIFF have.
    if (container != ImageContainer::Png) {
        // What the stored tag still asks of the pixels as decoded; nothing once they are upright.
        int left = container == ImageContainer::Tiff ? TiffTurnLeft(read.Orientation()) : read.Orientation();
        if (autoOrient && left != 1 && OrientPicture(picture, left))
            left = 1;
        read = read.WithOrientation(left);
    }
    picture.metadata = std::move(read);
}
