#pragma once
// Huffman tables made for one JPEG picture, made fit for the pictures after it.
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

namespace velatrace {

// Rebuilds `table` (made by the library for one picture's statistics) so that it has a code for
// every symbol of its kind: the 12 DC size categories of 8-bit samples (`ac` false), or the 162
// AC run/size pairs with end-of-block and the run of 16 zeros (`ac` true). A later picture may
// hold symbols the first one lacked; the library would write them without a code. The symbols the
// table had keep about their code lengths, the missing ones get the longest codes.
void CompleteHuffmanTable(JHUFF_TBL* table, bool ac);

}  // namespace velatrace
