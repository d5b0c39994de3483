// Portable pixmaps, plain ("P3") and raw ("P6"), into opaque D3DFMT_X8R8G8B8.
//
// Safety rules of this decoder:
// - a token whose value passes 4294967295 is refused, however many digits it has (leading
//   zeros are harmless);
// - width x height x 4 must fit in 32 bits, and the data left after the height must be able
//   to hold the pixels (3 bytes each for P6, at least 6 characters each for P3), or the file
//   is refused before anything is allocated;
// - a sample above the maximum value is clamped to it, so it scales to 255 and never spills
//   into the neighbouring channel;
// - the raw body ends at the last complete triple, with no read beyond the data.
#include <cstdint>

#include "texture/decoded_image.h"
#include "texture/decoders/decoder_support.h"

namespace {

bool IsSpace(BYTE c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(BYTE c) { return c >= '0' && c <= '9'; }

enum class TokenResult { Value, EndOfData, Malformed };

// Reads the next decimal token at data[*pos], skipping white space and comments before it.
// On return *pos is just after the token's last digit.
TokenResult NextToken(const BYTE* data, UINT size, UINT* pos, std::uint32_t* value) {
    UINT at = *pos;
    for (;;) {
        while (at < size && IsSpace(data[at])) {
            ++at;
        }
        if (at < size && data[at] == '#') {
            while (at < size && data[at] != '\n') {
                ++at;
            }
            if (at < size) {
                ++at;
            }
            continue;
        }
        break;
    }
    if (at == size) {
        *pos = at;
        return TokenResult::EndOfData;
    }
    std::uint64_t accumulated = 0;
    while (at < size && !IsSpace(data[at])) {
        if (!IsDigit(data[at])) {
            return TokenResult::Malformed;
        }
        accumulated = accumulated * 10 + (data[at] - '0');
        if (accumulated > 0xFFFFFFFFull) {
            return TokenResult::Malformed;
        }
        ++at;
    }
    *pos = at;
    *value = static_cast<std::uint32_t>(accumulated);
    return TokenResult::Value;
}

std::uint32_t Scale(std::uint32_t sample, std::uint32_t maximum) {
    if (sample > maximum) {
        sample = maximum;
    }
    return static_cast<std::uint32_t>(std::uint64_t{sample} * 255 / maximum);
}

}  // namespace

HRESULT DecodedImage::DecodePpm(const void* data, UINT size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    if (size < 2 || bytes[0] != 'P' || (bytes[1] != '3' && bytes[1] != '6') || size == 2) {
        return E_FAIL;
    }
    const bool raw = bytes[1] == '6';

    UINT pos = 2;
    std::uint32_t header[3] = {0, 0, 0};  // width, height, maximum value
    for (int field = 0; field < 3; ++field) {
        if (NextToken(bytes, size, &pos, &header[field]) != TokenResult::Value || header[field] == 0) {
            return E_FAIL;
        }
        if (field == 1) {
            std::uint64_t bufferBytes, pixelCount;
            if (!decoder_support::MultiplyFits(header[0], header[1], &pixelCount) ||
                !decoder_support::MultiplyFits(pixelCount, 4, &bufferBytes) ||
                pixelCount * (raw ? 3 : 6) - (raw ? 0 : 1) > size - pos) {
                return E_FAIL;
            }
            if (!decoder_support::AllocateOwnedPixels(*this, bufferBytes)) {
                return E_OUTOFMEMORY;
            }
            decoder_support::DescribeFlatImage(*this, D3DFMT_X8R8G8B8, header[0], header[1], header[0] * 4);
        }
    }
    const std::uint32_t maximum = header[2];
    std::uint32_t* out = reinterpret_cast<std::uint32_t*>(pixels);
    const std::uint64_t pixelCount = std::uint64_t{width} * height;

    if (raw) {
        if (maximum > 255) {
            return E_FAIL;
        }
        // One separator after the maximum value; a carriage return may come before it.
        if (size - pos >= 2 && bytes[pos] == '\r') {
            ++pos;
        }
        if (pos < size) {
            ++pos;
        }
        const std::uint64_t triples = (size - pos) / 3;
        if (triples < pixelCount) {
            return E_FAIL;
        }
        const BYTE* in = bytes + pos;
        for (std::uint64_t i = 0; i < pixelCount; ++i, in += 3) {
            out[i] = 0xFF000000u | (Scale(in[0], maximum) << 16) | (Scale(in[1], maximum) << 8) |
                     Scale(in[2], maximum);
        }
        return S_OK;
    }

    for (std::uint64_t i = 0; i < pixelCount; ++i) {
        std::uint32_t pixel = 0xFF000000u;
        for (int channel = 0; channel < 3; ++channel) {
            std::uint32_t sample;
            if (NextToken(bytes, size, &pos, &sample) != TokenResult::Value) {
                return E_FAIL;
            }
            pixel |= Scale(sample, maximum) << (16 - 8 * channel);
        }
        out[i] = pixel;
    }
    return S_OK;
}
