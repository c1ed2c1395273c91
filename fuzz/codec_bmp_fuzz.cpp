// Feeds arbitrary bytes to the BMP decoder.
#include "bmp_codec.h"
#include "codec_fuzz_util.h"
#include "memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes = FuzzCopy(data, size);
    MemoryStream stream(bytes.data(), static_cast<int32_t>(bytes.size()));
    BmpCodec codec(FormatBmp);
    if (codec.Decode(&stream))
        TouchPicture(codec);
    return 0;
}
