#include "texture/texture_loader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "texture/mapped_file.h"
#include "texture/pixel_format.h"
#include "transfer/copy.h"
#include "transfer/filters.h"

namespace {

constexpr UINT WHOLE = 0xFFFFFFFFu;  // a size or count of -1
constexpr DWORD ALLOWED_USAGE = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;
constexpr std::uint32_t DEFAULT_IMAGE_FILTER = FILTER_TRIANGLE | FILTER_DITHER;
constexpr UINT PALETTE_SIZE = 256;

template <typename T>
void ReleaseAndClear(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

bool IsPowerOfTwo(UINT v) { return v != 0 && (v & (v - 1)) == 0; }

UINT RoundUpToPowerOfTwo(UINT v) {
    UINT p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p < v ? v : p;
}

UINT BitLength(UINT v) {
    UINT bits = 0;
    while (v != 0) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

bool IsDxtFormat(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

UINT LimitTo(UINT value, std::uint64_t limit) { return value > limit ? static_cast<UINT>(limit) : value; }

// Palette entries hold red, green, blue, then alpha; the key is A8R8G8B8.
bool EntryMatchesKey(const PALETTEENTRY& entry, D3DCOLOR key) {
    return entry.peRed == ((key >> 16) & 0xFF) && entry.peGreen == ((key >> 8) & 0xFF) &&
           entry.peBlue == (key & 0xFF) && entry.peFlags == (key >> 24);
}

// The format a decoded image becomes when the caller names none.
D3DFORMAT FormatFromImage(const DecodedImage& image, D3DCOLOR colorKey, D3DPOOL pool) {
    D3DFORMAT format = image.format;
    if (colorKey != 0) {
        // A key needs alpha: take the nearest format with at least one bit of it.
        const PixelFormatDesc* row = FindPixelFormatDesc(format);
        const bool colour =
            row->kind == PIXEL_KIND_RGB || row->kind == PIXEL_KIND_PALETTE || row->kind == PIXEL_KIND_LUMINANCE;
        if (colour && row->alphaBits == 0) {
            PixelFormatDesc keyed = *row;
            keyed.format = D3DFMT_UNKNOWN;
            keyed.alphaBits = 1;
            const D3DFORMAT picked = PickDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, &keyed);
            if (picked != D3DFMT_UNKNOWN) format = picked;
        }
    }
    format = PickStorageFormat(format);
    if (pool != D3DPOOL_SCRATCH && format == D3DFMT_R8G8B8) format = D3DFMT_X8R8G8B8;
    return format;
}

// The levels of one texture of any of the three kinds.
struct TextureTarget {
    D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
    IDirect3DBaseTexture8* base = nullptr;

    HRESULT Create(IDirect3DDevice8* device, UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                   D3DFORMAT format, D3DPOOL pool) {
        HRESULT hr = E_FAIL;
        if (type == D3DRTYPE_VOLUMETEXTURE) {
            IDirect3DVolumeTexture8* volume = nullptr;
            hr = device->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, &volume);
            base = volume;
        } else if (type == D3DRTYPE_CUBETEXTURE) {
            IDirect3DCubeTexture8* cube = nullptr;
            hr = device->CreateCubeTexture(width, levels, usage, format, pool, &cube);
            base = cube;
        } else {
            IDirect3DTexture8* plain = nullptr;
            hr = device->CreateTexture(width, height, levels, usage, format, pool, &plain);
            base = plain;
        }
        if (FAILED(hr)) base = nullptr;
        return hr;
    }

    // Converts one decoded record into level `level` of face `face`.
    HRESULT Fill(UINT face, UINT level, const DecodedImage& record, const PALETTEENTRY* destinationPalette,
                 const PALETTEENTRY* sourcePalette, std::uint32_t filter, D3DCOLOR colorKey) {
        if (type == D3DRTYPE_VOLUMETEXTURE) {
            IDirect3DVolume8* volume = nullptr;
            HRESULT hr = static_cast<IDirect3DVolumeTexture8*>(base)->GetVolumeLevel(level, &volume);
            if (FAILED(hr)) return hr;
            hr = CopyMemoryToVolume(volume, destinationPalette, nullptr, record.pixels, record.format,
                                    record.rowPitch, record.slicePitch, sourcePalette, &record.box, filter,
                                    colorKey);
            volume->Release();
            return hr;
        }
        IDirect3DSurface8* surface = nullptr;
        HRESULT hr = type == D3DRTYPE_CUBETEXTURE
                         ? static_cast<IDirect3DCubeTexture8*>(base)->GetCubeMapSurface(
                               static_cast<D3DCUBEMAP_FACES>(face), level, &surface)
                         : static_cast<IDirect3DTexture8*>(base)->GetSurfaceLevel(level, &surface);
        if (FAILED(hr)) return hr;
        const RECT sourceRect = {static_cast<LONG>(record.box.Left), static_cast<LONG>(record.box.Top),
                                 static_cast<LONG>(record.box.Right), static_cast<LONG>(record.box.Bottom)};
        hr = CopyMemoryToSurface(surface, destinationPalette, nullptr, record.pixels, record.format,
                                 record.rowPitch, sourcePalette, &sourceRect, filter, colorKey);
        surface->Release();
        return hr;
    }
};

}  // namespace

HRESULT LoadTextureFile(IDirect3DDevice8* device, const char* path, IDirect3DTexture8** texture) {
    return LoadTextureFileEx(device, path, WHOLE, WHOLE, WHOLE, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                             FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT LoadTextureFileEx(IDirect3DDevice8* device, const char* path, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool, std::uint32_t filter,
                          std::uint32_t mipFilter, D3DCOLOR colorKey, ImageInfo* srcInfo, PALETTEENTRY* palette,
                          IDirect3DTexture8** texture) {
    MappedFile file;
    HRESULT hr = file.Open(path, FALSE);
    if (FAILED(hr)) return hr;
    // The decoded image may point into the view: it stays mapped until the texture is full.
    hr = LoadTextureMemoryEx(device, file.View(), file.Size(), width, height, mipLevels, usage, format, pool,
                             filter, mipFilter, colorKey, srcInfo, palette, texture);
    file.Close();
    return hr;
}

HRESULT LoadTextureMemoryEx(IDirect3DDevice8* device, const void* data, UINT size, UINT width, UINT height,
                            UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, std::uint32_t filter,
                            std::uint32_t mipFilter, D3DCOLOR colorKey, ImageInfo* srcInfo, PALETTEENTRY* palette,
                            IDirect3DTexture8** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    IDirect3DBaseTexture8* made = nullptr;
    const HRESULT hr = LoadTextureCore(device, data, size, width, height, 1, mipLevels, usage, format, pool,
                                       filter, mipFilter, colorKey, srcInfo, palette, D3DRTYPE_TEXTURE, &made);
    if (SUCCEEDED(hr)) *texture = static_cast<IDirect3DTexture8*>(made);
    return hr;
}

HRESULT LoadTextureCore(IDirect3DDevice8* device, const void* data, UINT size, UINT width, UINT height,
                        UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        std::uint32_t filter, std::uint32_t mipFilter, D3DCOLOR colorKey, ImageInfo* srcInfo,
                        PALETTEENTRY* palette, D3DRESOURCETYPE resourceType, IDirect3DBaseTexture8** texture) {
    DecodedImage image;
    if (device == nullptr || data == nullptr || size == 0 || texture == nullptr) return D3DERR_INVALIDCALL;

    HRESULT hr = image.DecodeImageFile(data, size, srcInfo, TRUE);
    if (FAILED(hr)) return hr;

    // Levels and faces the file provides.
    UINT fileLevels = 1;
    for (const DecodedImage* level = image.nextMip; level != nullptr; level = level->nextMip) ++fileLevels;
    UINT faces = 1;
    if (resourceType == D3DRTYPE_CUBETEXTURE) {
        for (const DecodedImage* face = image.nextFace; face != nullptr; face = face->nextFace) ++faces;
        if (image.nextFace == nullptr || faces != 6) return E_FAIL;
    }

    if (width == 0 || width == WHOLE) width = image.width;
    if (height == 0 || height == WHOLE) height = image.height;
    if (depth == 0 || depth == WHOLE) depth = image.depth;

    if (filter == FILTER_DEFAULT) filter = DEFAULT_IMAGE_FILTER;
    if (mipFilter == FILTER_DEFAULT) mipFilter = FILTER_BOX;
    if (resourceType == D3DRTYPE_CUBETEXTURE) {
        filter |= FILTER_MIRROR;
        mipFilter |= FILTER_MIRROR;
    }
    const bool generateMips =
        (filter & 0xFF) == FILTER_NONE || (mipFilter & 0xFF) == FILTER_POINT || (mipFilter & 0xFF) == FILTER_BOX;

    if (format == D3DFMT_UNKNOWN) format = FormatFromImage(image, colorKey, pool);

    // The source palette. Keyed entries become transparent black here, so the copies need
    // no key of their own.
    PALETTEENTRY sourcePalette[PALETTE_SIZE];
    if (image.palette != nullptr) {
        std::memcpy(sourcePalette, image.palette, sizeof(sourcePalette));
        if (colorKey != 0) {
            for (PALETTEENTRY& entry : sourcePalette) {
                if (EntryMatchesKey(entry, colorKey)) entry = PALETTEENTRY{0, 0, 0, 0};
            }
        }
        colorKey = 0;
    } else {
        std::memset(sourcePalette, 0xFF, sizeof(sourcePalette));
    }

    if (palette != nullptr) {
        std::memcpy(palette, sourcePalette, sizeof(sourcePalette));
    } else if (format == D3DFMT_A8P8) {
        format = D3DFMT_A8R8G8B8;
    } else if (format == D3DFMT_P8) {
        const bool translucent = std::any_of(std::begin(sourcePalette), std::end(sourcePalette),
                                             [](const PALETTEENTRY& entry) { return entry.peFlags != 255; });
        format = translucent ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    }

    const bool staging = pool == D3DPOOL_DEFAULT && (usage & D3DUSAGE_DYNAMIC) == 0;

    hr = ResolveTextureRequirements(device, usage, &width, &height, &depth, &mipLevels, &format, pool,
                                    resourceType);
    if (FAILED(hr)) return hr;

    TextureTarget result;
    TextureTarget stagingTarget;
    result.type = stagingTarget.type = resourceType == D3DRTYPE_VOLUMETEXTURE || resourceType == D3DRTYPE_CUBETEXTURE
                                           ? resourceType
                                           : D3DRTYPE_TEXTURE;
    hr = result.Create(device, width, height, depth, mipLevels, usage, format, pool);
    if (SUCCEEDED(hr) && staging) {
        hr = stagingTarget.Create(device, width, height, depth, mipLevels, 0, format, D3DPOOL_SYSTEMMEM);
    }
    TextureTarget& filled = staging ? stagingTarget : result;

    // Each file level into its texture level; without mip generation the remaining levels
    // are resampled from the face's last file level.
    const DecodedImage* face = &image;
    for (UINT faceIndex = 0; SUCCEEDED(hr) && faceIndex < faces && face != nullptr; ++faceIndex) {
        const DecodedImage* record = face;
        UINT level = 0;
        for (; SUCCEEDED(hr) && level < mipLevels && level < fileLevels; ++level) {
            hr = filled.Fill(faceIndex, level, *record, palette, sourcePalette, filter, colorKey);
            if (record->nextMip != nullptr && level + 1 < fileLevels) record = record->nextMip;
        }
        for (; SUCCEEDED(hr) && !generateMips && level < mipLevels; ++level) {
            hr = filled.Fill(faceIndex, level, *record, palette, sourcePalette, filter, colorKey);
        }
        face = face->nextFace;
    }
    if (SUCCEEDED(hr) && generateMips && fileLevels < mipLevels) {
        hr = GenerateMipLevels(filled.base, sourcePalette, fileLevels - 1, mipFilter);
    }
    if (SUCCEEDED(hr) && staging) hr = device->UpdateTexture(stagingTarget.base, result.base);

    ReleaseAndClear(stagingTarget.base);
    if (FAILED(hr)) {
        ReleaseAndClear(result.base);
        return hr;
    }
    *texture = result.base;
    return S_OK;
}

HRESULT ResolveTextureRequirements(IDirect3DDevice8* device, DWORD usage, UINT* width, UINT* height, UINT* depth,
                                   UINT* mipLevels, D3DFORMAT* format, D3DPOOL pool,
                                   D3DRESOURCETYPE resourceType) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    if (usage == 0xFFFFFFFFu) usage = 0;
    if ((usage & ~ALLOWED_USAGE) != 0) return D3DERR_INVALIDCALL;
    if (static_cast<DWORD>(pool) > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    const bool scratch = pool == D3DPOOL_SCRATCH;
    const bool volume = resourceType == D3DRTYPE_VOLUMETEXTURE;
    const bool cube = resourceType == D3DRTYPE_CUBETEXTURE;

    // Format.
    D3DFORMAT chosen = format != nullptr ? *format : D3DFMT_UNKNOWN;
    if (!scratch) {
        chosen = PickDeviceFormat(device, usage, resourceType, FindPixelFormatDesc(chosen));
        if (chosen == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
    } else if (chosen == D3DFMT_UNKNOWN) {
        chosen = D3DFMT_A8R8G8B8;
    }

    // Size.
    UINT w = width != nullptr ? *width : WHOLE;
    UINT h = height != nullptr ? *height : WHOLE;
    UINT d = depth != nullptr ? *depth : WHOLE;
    if (w == WHOLE && h == WHOLE) {
        w = h = 256;
    } else {
        if (w == WHOLE) w = h;
        if (h == WHOLE) h = w;
        if (w == 0) w = 1;
        if (h == 0) h = 1;
    }
    if (cube) w = h = std::max(w, h);
    if (d == WHOLE || d == 0) d = 1;

    D3DCAPS8 caps = {};
    if (!scratch) {
        const HRESULT hr = device->GetDeviceCaps(&caps);
        if (FAILED(hr)) return hr;
        // A limit of 0 is read as none, so that a size never becomes 0.
        if (volume) {
            if (caps.MaxVolumeExtent != 0) {
                d = LimitTo(d, caps.MaxVolumeExtent);
                w = LimitTo(w, caps.MaxVolumeExtent);
                h = LimitTo(h, caps.MaxVolumeExtent);
            }
        } else {
            if (caps.MaxTextureWidth != 0) w = LimitTo(w, caps.MaxTextureWidth);
            if (caps.MaxTextureHeight != 0) h = LimitTo(h, caps.MaxTextureHeight);
        }
        if (!volume && !cube) {
            const DWORD aspect = (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0 ? 1 : caps.MaxTextureAspectRatio;
            if (aspect != 0) {
                w = LimitTo(w, static_cast<std::uint64_t>(aspect) * h);
                h = LimitTo(h, static_cast<std::uint64_t>(aspect) * w);
            }
        }
        const DWORD pow2Bit = volume ? D3DPTEXTURECAPS_VOLUMEMAP_POW2
                              : cube ? D3DPTEXTURECAPS_CUBEMAP_POW2
                                     : D3DPTEXTURECAPS_POW2;
        if ((caps.TextureCaps & pow2Bit) != 0) {
            w = RoundUpToPowerOfTwo(w);
            h = RoundUpToPowerOfTwo(h);
            d = RoundUpToPowerOfTwo(d);
        }
    }
    if (IsDxtFormat(chosen)) {
        if (w <= 0xFFFFFFFCu) w = (w + 3) & ~3u;
        if (h <= 0xFFFFFFFCu) h = (h + 3) & ~3u;
    }

    // Mip count.
    UINT levels = mipLevels != nullptr ? *mipLevels : WHOLE;
    const DWORD mipBit = volume ? D3DPTEXTURECAPS_MIPVOLUMEMAP : cube ? D3DPTEXTURECAPS_MIPCUBEMAP : D3DPTEXTURECAPS_MIPMAP;
    const bool notPowerOfTwo = !IsPowerOfTwo(w) || !IsPowerOfTwo(h) || !IsPowerOfTwo(d);
    if (!scratch && (caps.TextureCaps & mipBit) == 0) {
        levels = 1;
    } else if (!scratch && (caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) != 0 && notPowerOfTwo) {
        levels = 1;
    } else {
        UINT full = std::max(BitLength(w), BitLength(h));
        if (volume) full = std::max(full, BitLength(d));
        if (levels == 0 || levels > full) levels = full;
    }

    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    if (depth != nullptr) *depth = d;
    if (mipLevels != nullptr) *mipLevels = levels;
    if (format != nullptr) *format = chosen;
    return S_OK;
}
