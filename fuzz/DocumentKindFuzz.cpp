// fuzz-seeds: *.txt *.png *.jpg *.gz README* *.html
// Any bytes through the sniff: a kind, and a reason exactly when refused.
#include "DocumentKind.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto sniff = Document::SniffDocumentKind(std::string_view(reinterpret_cast<const char*>(data), size));
    if ((sniff.kind == Document::DocumentKind::Refused) == sniff.reason.empty()) {
        std::abort();
    }
    return 0;
}
