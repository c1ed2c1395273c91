// Feeds arbitrary bytes to the PCX decoder, twice: both pictures must come out alike.
#include "pcx_codec.h"
#include "codec_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeTwice<PcxCodec>(data, size, FormatPcx);
    return 0;
}
