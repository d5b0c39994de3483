// Placeholder: this kind is not decoded yet, so every buffer is refused.
#include "texture/decoded_image.h"

HRESULT DecodedImage::DecodePpm(const void*, UINT) { return E_FAIL; }
