#include "event/paging.h"

namespace script {

Text starBar(long point)
{
    Text bar;
    for (long i = 1; i <= point / 10; ++i)
        bar += u"★";
    for (long i = 1; i <= point % 10; ++i)
        bar += u"☆";
    return bar;
}

PageStep nextPage(int counter, LineKind kind)
{
    switch (kind) {
    case LineKind::Text:
        counter = counter % PageCounterFull + 1;
        return { counter, counter == 1, counter == PageCounterFull };
    case LineKind::PageBreak:
        return { PageCounterFull, false, true };
    case LineKind::Img:
        return { PageCounterFull - 1, false, false };
    case LineKind::Hantei:
    case LineKind::Ive:
    case LineKind::End:
        break;
    }
    return { counter, false, false };
}

} // namespace script
