// The line reader and code page 932: any bytes read as lines without a crash; as many lines as
// the line-end rule makes; no line over the cap; each line's text unchanged when it is written
// back and read again.
#include "fuzz_support.h"

#include "platform/cp932.h"
#include "platform/files/files.h"

#include <cstdio>

using platform::Files;
using platform::Text;

namespace {

// Lines of `bytes` by the rule: a line ends at CR, a LF right after it is dropped, the last line
// needs no end.
size_t expectedLines(const uint8_t* data, size_t size)
{
    size_t lines = 0;
    for (size_t i = 0; i < size;) {
        ++lines;
        while (i < size && data[i] != '\r')
            ++i;
        if (i < size && ++i < size && data[i] == '\n')
            ++i;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fuzz::MemoryFile file;
    file.set(data, size);
    Files files;
    const short no = files.FreeFile();
    files.OpenInput(no, platform::fromUtf8(file.path()));
    FUZZ_CHECK(files.LOF(no) == static_cast<long long>(size));
    size_t lines = 0;
    while (!files.Eof(no)) {
        const Text line = files.LineInput(no);
        FUZZ_CHECK(line.size() <= Files::MaxLineBytes);
        FUZZ_CHECK(!files.lineCut(no) || line.size() > 0);
        FUZZ_CHECK(fuzz::readsBackUnchanged(line));
        ++lines;
    }
    files.Close(no);
    FUZZ_CHECK(lines == expectedLines(data, size));

    // The decoder alone, on the bytes as they are: one character at most for each byte.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Text text = platform::cp932::decode(bytes);
    FUZZ_CHECK(text.size() <= size);
    FUZZ_CHECK(fuzz::readsBackUnchanged(text));
    return 0;
}
