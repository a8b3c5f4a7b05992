// EMF records, after the header of a 400 x 300 frame when the input has no header.
#include "fuzz_metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // EMR_HEADER: bounds, frame (0.01 mm), " EMF", version, sizes, 16 handles, a device of 960
    // pixels on 254 mm.
    static const QByteArray header = fuzz::words(
        { 1, 0, 88, 0, 0, 0, 0, 0, 399, 0, 299, 0, 0, 0, 0, 0, 10583, 0, 7937, 0, 0x4520, 0x464d, 0,
            1, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 960, 0, 960, 0, 254, 0, 254, 0 });
    return fuzz::drawMetafile(data, size, header);
}
