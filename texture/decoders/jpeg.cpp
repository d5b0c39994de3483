// JPEG files through libjpeg: greyscale into D3DFMT_L8 and colour into D3DFMT_X8R8G8B8.
//
// libjpeg reports errors by jumping back to the recovery point in ReadWithLibjpeg. That
// function holds no object with a destructor; the decompression structure and the error
// manager live in the caller's frame, which destroys the structure on every path.
//
// Safety rules of the memory source:
// - libjpeg sees the file image once; when it asks for more, it gets an end-of-image marker
//   (and a warning, which the silent message handler drops), so it never reads past the data
//   and a truncated scan ends as a short image;
// - a skip past the end of the data is treated as reaching the end;
// - an empty buffer is handed over as the end-of-image marker alone.
// Out-of-memory errors inside libjpeg are reported as E_OUTOFMEMORY, every other error as
// E_FAIL.
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>

#include "math/processor_features.h"
#include "texture/decoded_image.h"
#include "texture/decoders/decoder_support.h"
#include "texture/decoders/decoder_test_controls.h"

namespace {

int g_lastDctMethod = -1;

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf recovery;
};

void DropMessage(j_common_ptr) {}

// After the header, messages are formatted (as libjpeg's own handler would) and dropped.
void FormatAndDropMessage(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
}

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->recovery, 1);
}

struct MemorySource {
    jpeg_source_mgr base;
    const JOCTET* data;
    std::size_t size;
    bool delivered;  // the file image has been handed to libjpeg
};

const JOCTET END_OF_IMAGE[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    MemorySource* source = reinterpret_cast<MemorySource*>(cinfo->src);
    if (!source->delivered && source->size > 0) {
        source->base.next_input_byte = source->data;
        source->base.bytes_in_buffer = source->size;
    } else {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->base.next_input_byte = END_OF_IMAGE;
        source->base.bytes_in_buffer = sizeof END_OF_IMAGE;
    }
    source->delivered = true;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) {
        return;
    }
    MemorySource* source = reinterpret_cast<MemorySource*>(cinfo->src);
    if (!source->delivered && source->base.bytes_in_buffer == 0) {
        FillInputBuffer(cinfo);
    }
    if (static_cast<unsigned long>(count) > source->base.bytes_in_buffer) {
        // Past the end: the next read asks for more and gets the end-of-image marker.
        source->base.next_input_byte += source->base.bytes_in_buffer;
        source->base.bytes_in_buffer = 0;
        return;
    }
    source->base.next_input_byte += count;
    source->base.bytes_in_buffer -= static_cast<std::size_t>(count);
}

struct JpegReadState {
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
};

// Everything between the recovery point and the end of decoding. Only plain data lives in
// this frame; whatever must outlive a jump is in `state` or in the record.
HRESULT ReadWithLibjpeg(DecodedImage& image, JpegReadState& state, const void* data, UINT size) {
    jpeg_decompress_struct& cinfo = state.cinfo;
    if (setjmp(state.errors.recovery)) {
        return state.errors.base.msg_code == JERR_OUT_OF_MEMORY ? E_OUTOFMEMORY : E_FAIL;
    }
    // 2. The decompression structure.
    jpeg_create_decompress(&cinfo);

    // 3. The memory source, from libjpeg's permanent pool.
    MemorySource* source = static_cast<MemorySource*>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
    source->base.next_input_byte = nullptr;
    source->base.bytes_in_buffer = 0;
    source->base.init_source = InitSource;
    source->base.fill_input_buffer = FillInputBuffer;
    source->base.skip_input_data = SkipInputData;
    source->base.resync_to_restart = jpeg_resync_to_restart;
    source->base.term_source = TermSource;
    source->data = static_cast<const JOCTET*>(data);
    source->size = size;
    source->delivered = false;
    cinfo.src = &source->base;

    // 4. Header.
    jpeg_read_header(&cinfo, TRUE);

    // 5. Without MMX, the fast integer transform.
    if (!IsMmxEnabled()) {
        cinfo.dct_method = JDCT_IFAST;
    }
    g_lastDctMethod = cinfo.dct_method;

    // 6. Decompression, with messages formatted from now on.
    state.errors.base.output_message = FormatAndDropMessage;
    jpeg_start_decompress(&cinfo);

    // 7. The format.
    const std::uint32_t components = static_cast<std::uint32_t>(cinfo.output_components);
    if (components != 1 && components != 3) {
        return E_FAIL;
    }
    const D3DFORMAT chosen = components == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    std::uint64_t pitch, bufferBytes;
    if (!decoder_support::MultiplyFits(cinfo.output_width, components == 1 ? 1 : 4, &pitch) ||
        !decoder_support::MultiplyFits(pitch, cinfo.output_height, &bufferBytes)) {
        return E_FAIL;
    }

    // 8. The description.
    decoder_support::DescribeFlatImage(image, chosen, cinfo.output_width, cinfo.output_height,
                                       static_cast<UINT>(pitch));
    if (!image.loadPixels) {
        return S_OK;
    }

    // 9. The pixels, and one row of samples from libjpeg's image pool.
    if (!decoder_support::AllocateOwnedPixels(image, bufferBytes)) {
        return E_OUTOFMEMORY;
    }
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * components, 1);

    // 10. Scanlines, one at a time.
    while (cinfo.output_scanline < cinfo.output_height) {
        BYTE* dest = image.pixels + std::uint64_t{image.rowPitch} * cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {
            return E_FAIL;
        }
        const JSAMPLE* samples = row[0];
        if (components == 1) {
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                dest[x] = samples[x];
            }
        } else {
            std::uint32_t* out = reinterpret_cast<std::uint32_t*>(dest);
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x, samples += 3) {
                out[x] = (std::uint32_t{samples[0]} << 16) | (std::uint32_t{samples[1]} << 8) | samples[2];
            }
        }
    }

    // 11. The end.
    jpeg_finish_decompress(&cinfo);
    return S_OK;
}

}  // namespace

namespace decoder_test {
int LastJpegDctMethod() { return g_lastDctMethod; }
void ResetLastJpegDctMethod() { g_lastDctMethod = -1; }
}  // namespace decoder_test

HRESULT DecodedImage::DecodeJpeg(const void* data, UINT size) {
    // 1. An error manager that jumps back and never prints.
    JpegReadState state = {};
    state.cinfo.err = jpeg_std_error(&state.errors.base);
    state.errors.base.error_exit = JumpBack;
    state.errors.base.output_message = DropMessage;
    const HRESULT result = ReadWithLibjpeg(*this, state, data, size);
    // 12. libjpeg's memory goes back on every path (a structure never created is untouched).
    jpeg_destroy_decompress(&state.cinfo);
    return result;
}
