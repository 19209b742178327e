// Inflate of a zlib stream held whole in memory, read out in pieces. Built for image data:
// the output goes into a buffer of the inflater's own that keeps the last 32 KiB as the
// window, so each piece stays in cache for its reader; runs of one byte are filled, longer
// distances copied in wide words, and literals and lengths decoded through tables.
//
// It accepts exactly the streams zlib accepts, with the same error texts, and stops where
// zlib stops: the bytes it hands out are the bytes zlib gives for the same stream. The
// Adler-32 of the stream is not checked (image data has its own checksums); the four
// trailer bytes must be present for the stream to count as ended. Nothing is read or
// written outside the input and the inflater's buffer, whatever the stream holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace vell::inflate {

class Inflater {
  public:
    enum class Status {
        Full,      // all the bytes asked for; more may follow
        End,       // the stream is complete
        Truncated, // the input ends inside the stream
        Error,     // the stream is invalid (message() says how)
    };

    // `stream`: the zlib stream (it must outlive the inflater); `maxRead`: the most bytes
    // one read asks for; `expected`: how many bytes the caller means to read in all, when
    // it knows (small pictures then get a small buffer; reading more still works).
    Inflater(std::span<const uint8_t> stream, size_t maxRead, size_t expected = SIZE_MAX);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates the next `n` bytes (at most maxRead). `out` points at the bytes produced,
    // contiguous and valid until the next call; `got` counts them: n unless the stream
    // ended, ran out or proved invalid first. Having produced n bytes it still reads on,
    // as zlib does, until the next byte would have to be written, so that End or Error
    // may come with all n bytes.
    Status read(size_t n, const uint8_t*& out, size_t& got);

    // The error's text, as zlib words it ("invalid distance too far back"); empty otherwise.
    const char* message() const;

    // Memory the inflater holds besides itself: its output buffer and tables.
    static size_t workBytes(size_t maxRead);

  private:
    struct State;
    std::unique_ptr<State> s_;
};

} // namespace vell::inflate
