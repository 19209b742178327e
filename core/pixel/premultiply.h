// Premultiplication of whole rows of 32-bit BGRA pixels. Results equal the engine's tables
// (core/pixel/tables.h) exactly; the SSE2 path computes preMul without the table.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::pixel {

// Blue, green and red of each pixel become preMul(alpha, c). `src` may equal `dst`.
void premultiplyBgra(const uint8_t* src, uint8_t* dst, size_t pixels);
// The table-driven reference the fast path is tested against.
void premultiplyBgraExact(const uint8_t* src, uint8_t* dst, size_t pixels);
// Blue, green and red of each pixel become unPreMul(alpha, c).
void unpremultiplyBgra(const uint8_t* src, uint8_t* dst, size_t pixels);

} // namespace vell::pixel
