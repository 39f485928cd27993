#include "Paper.h"

namespace Document {

Paper PaperOf(PaperSize size)
{
    return size == PaperSize::Letter ? Paper{612, 792} : Paper{595.28, 841.89};
}

} // namespace Document
