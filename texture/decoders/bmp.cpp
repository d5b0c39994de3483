// Placeholder: this kind is not decoded yet, so every buffer is refused.
#include "texture/decoded_image.h"

HRESULT DecodedImage::DecodeBmp(const void*, UINT) { return E_FAIL; }
HRESULT DecodedImage::DecodeDib(const void*, UINT) { return E_FAIL; }
