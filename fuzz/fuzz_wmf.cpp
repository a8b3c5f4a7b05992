// WMF records, after a placeable header of a 400 x 300 frame when the input has no header.
#include "fuzz_metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The placeable header (key, box 0, 0, 400, 300 at 96 units an inch), the standard header.
    static const QByteArray header = fuzz::words(
        { 0xcdd7, 0x9ac6, 0, 0, 0, 400, 300, 96, 0, 0, 0, 1, 9, 0x300, 0, 0, 16, 0, 0, 0 });
    return fuzz::drawMetafile(data, size, header);
}
