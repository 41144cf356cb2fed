#pragma once

#include <cstddef>
#include <cstdint>

// The SHA-1 compression function over whole 64-byte blocks. Two
// implementations exist: a portable one and one using the x86 SHA extensions;
// sha1Transform picks the fast one once, when the processor has it.
namespace VxInternal::Sha1
{

// `work` is a 16-word scratch area for the message schedule.
void transformPortable(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount,
                       std::uint32_t work[16]);

// True when this build contains the SHA extension path and the processor
// offers SHA, SSSE3 and SSE4.1.
bool processorHasShaExtensions();

// Only to be called when processorHasShaExtensions() is true.
void transformShaExtensions(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount);

// The implementation chosen for this process.
void transform(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount,
               std::uint32_t work[16]);

// Which implementation transform() uses, for diagnostics and tests.
const char* transformName();

} // namespace VxInternal::Sha1
