#include "video/ffmpeg/JpegHuffmanTable.h"

#include <cstdint>

namespace velatrace {
namespace {

constexpr int kReserved = 256;  // a pseudo-symbol, so that no code is all ones
constexpr int kMaxLength = 16;

}  // namespace

void CompleteHuffmanTable(JHUFF_TBL* table, bool ac) {
    // Frequencies that give back the table's code lengths, 1 for the symbols it has no code for.
    uint64_t freq[257] = {};
    int p = 0;
    for (int length = 1; length <= kMaxLength; ++length) {
        for (int k = 0; k < table->bits[length] && p < 256; ++k)
            freq[table->huffval[p++]] = uint64_t{1} << (40 - length);
    }
    const auto need = [&](int symbol) {
        if (freq[symbol] == 0)
            freq[symbol] = 1;
    };
    if (ac) {
        need(0x00);
        need(0xF0);
        for (int run = 0; run < 16; ++run) {
            for (int size = 1; size <= 10; ++size)
                need(run << 4 | size);
        }
    } else {
        for (int category = 0; category <= 11; ++category)
            need(category);
    }
    freq[kReserved] = 1;

    // Code lengths by the procedure of the JPEG standard's Annex K.2: join the two rarest nodes
    // until one is left, then shorten the codes beyond 16 bits.
    int codeSize[257] = {};
    int others[257];
    for (int& o : others)
        o = -1;
    for (;;) {
        int c1 = -1, c2 = -1;
        for (int i = 0; i <= 256; ++i) {
            if (freq[i] && (c1 < 0 || freq[i] <= freq[c1]))
                c1 = i;
        }
        for (int i = 0; i <= 256; ++i) {
            if (freq[i] && i != c1 && (c2 < 0 || freq[i] <= freq[c2]))
                c2 = i;
        }
        if (c2 < 0)
            break;
        freq[c1] += freq[c2];
        freq[c2] = 0;
        for (++codeSize[c1]; others[c1] >= 0; ++codeSize[c1])
            c1 = others[c1];
        others[c1] = c2;
        for (++codeSize[c2]; others[c2] >= 0; ++codeSize[c2])
            c2 = others[c2];
    }
    int bits[260] = {};  // a code may grow as long as there are symbols
    for (int i = 0; i <= 256; ++i) {
        if (codeSize[i])
            ++bits[codeSize[i]];
    }
    for (int i = 259; i > kMaxLength; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0)
                --j;
            bits[i] -= 2;
            ++bits[i - 1];
            bits[j + 1] += 2;
            --bits[j];
        }
    }
    int longest = kMaxLength;
    while (bits[longest] == 0)
        --longest;
    --bits[longest];  // the reserved pseudo-symbol's code goes unused

    for (int length = 0; length <= kMaxLength; ++length)
        table->bits[length] = static_cast<UINT8>(bits[length]);
    p = 0;
    for (int length = 1; length <= 259; ++length) {
        for (int symbol = 0; symbol < 256; ++symbol) {
            if (codeSize[symbol] == length)
                table->huffval[p++] = static_cast<UINT8>(symbol);
        }
    }
    table->sent_table = FALSE;
}

}  // namespace velatrace
