#include "ThaiWordBreak.h"

#include "DocumentError.h"

#include <datrie/trie.h>
#include <thai/thbrk.h>
#include <thbrk-priv.h>

#include <cstdlib>
#include <memory>
#include <string>

// libthai's word lists, a word a line (third_party/libthai/build.sh).
extern "C" const char ardenfold_thai_words[];
extern "C" const size_t ardenfold_thai_words_size;

namespace Document {
namespace {

constexpr char32_t FirstThai = 0x0E01;
constexpr char32_t LastThai = 0x0E5B;

struct BreakerDeleter {
    void operator()(ThBrk* breaker) const { th_brk_delete(breaker); }
};

// The words' letters as UTF-8, turned into the trie's characters (code
// points); the lists hold Thai letters alone.
void AppendDecoded(std::u32string& out, std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < utf8.size(); ++k) {
            c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        out += c;
        i += length;
    }
}

// libthai reads its dictionary only from a file; its breaker holds nothing
// but the trie (thbrk-priv.h), so the breaker is made here around a trie
// built from the word lists the program carries: nothing to install beside
// the program, nothing to find at run time.
std::unique_ptr<ThBrk, BreakerDeleter> MakeBreaker()
{
    AlphaMap* alphabet = alpha_map_new();
    if (!alphabet) {
        throw DocumentError(L"The Thai dictionary's alphabet could not be made.");
    }
    if (alpha_map_add_range(alphabet, FirstThai, LastThai) != 0) {
        alpha_map_free(alphabet);
        throw DocumentError(L"The Thai dictionary's alphabet could not be made.");
    }
    Trie* trie = trie_new(alphabet);
    alpha_map_free(alphabet);
    if (!trie) {
        throw DocumentError(L"The Thai dictionary could not be made.");
    }
    std::string_view words(ardenfold_thai_words, ardenfold_thai_words_size);
    std::u32string word;
    for (size_t start = 0; start < words.size();) {
        size_t end = words.find('\n', start);
        if (end == std::string_view::npos) {
            end = words.size();
        }
        word.clear();
        AppendDecoded(word, words.substr(start, end - start));
        if (!word.empty()) {
            // The trie's keys end with a 0; the breaker asks only whether a word is there.
            trie_store(trie, reinterpret_cast<const AlphaChar*>(word.c_str()), TRIE_DATA_ERROR);
        }
        start = end + 1;
    }
    auto* breaker = static_cast<ThBrk*>(std::malloc(sizeof(ThBrk)));
    if (!breaker) {
        trie_free(trie);
        throw DocumentError(L"The Thai word breaker could not be made.");
    }
    breaker->dict_trie = trie;
    return std::unique_ptr<ThBrk, BreakerDeleter>(breaker);
}

} // namespace

bool IsThaiWordCharacter(char32_t codePoint)
{
    return codePoint >= FirstThai && codePoint <= LastThai;
}

std::vector<size_t> ThaiWordBoundaries(std::u32string_view thai)
{
    // Made once; libthai's breaker may be used from several threads at once.
    static const std::unique_ptr<ThBrk, BreakerDeleter> breaker = MakeBreaker();
    // The breaker reads TIS-620, the Thai block's characters in one byte each.
    std::basic_string<thchar_t> tis;
    tis.reserve(thai.size());
    for (char32_t c : thai) {
        tis += static_cast<thchar_t>(IsThaiWordCharacter(c) ? c - 0x0E00 + 0xA0 : '?');
    }
    std::vector<int> places(thai.size() + 1);
    int found = th_brk_find_breaks(breaker.get(), tis.c_str(), places.data(), places.size());
    std::vector<size_t> boundaries;
    for (int i = 0; i < found; ++i) {
        if (places[i] > 0 && static_cast<size_t>(places[i]) < thai.size()) {
            boundaries.push_back(static_cast<size_t>(places[i]));
        }
    }
    return boundaries;
}

} // namespace Document
