// Feeds arbitrary bytes to the BMP decoder, twice: both pictures must come out alike.
#include "bmp_codec.h"
#include "codec_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeTwice<BmpCodec>(data, size, FormatBmp);
    return 0;
}
