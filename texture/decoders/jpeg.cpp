// Placeholder: this kind is not decoded yet, so every buffer is refused.
#include "texture/decoded_image.h"

HRESULT DecodedImage::DecodeJpeg(const void*, UINT) { return E_FAIL; }
