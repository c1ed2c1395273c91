// Feeds arbitrary bytes to the TGA decoder, twice: both pictures must come out alike.
#include "tga_codec.h"
#include "codec_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeTwice<TgaCodec>(data, size, FormatTga);
    return 0;
}
