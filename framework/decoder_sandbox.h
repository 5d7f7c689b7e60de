// The limits the decoder process puts on itself before it reads a byte of the picture:
// address space, processor time, file size (which also bounds the memory file), no core
// dumps, no new privileges, and a seccomp filter that refuses network, program start,
// process creation, writing or changing files and signalling any other process. From then
// on a decoder that a hostile file takes over can at worst waste its own limits.
#pragma once

namespace zolva::imageio::decoder {

// False when a limit could not be put in place; the decoder then must not decode.
bool confineDecoder();

}  // namespace zolva::imageio::decoder
