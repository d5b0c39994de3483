// Fills the levels below a source level of a plain, volume or cube texture by filtering.
#include "transfer/copy.h"

namespace {

bool IsPowerOfTwo(UINT x) { return (x & (x - 1)) == 0; }

// One face's chain of levels. `getLevel` yields a referenced surface or volume, `copy`
// filters one whole level into another.
template <typename Level, typename GetLevel, typename Copy>
HRESULT FillLevels(GetLevel getLevel, Copy copy, UINT sourceLevel, UINT levelCount, bool chain) {
    Level* source = nullptr;
    HRESULT result = getLevel(sourceLevel, &source);
    if (FAILED(result)) return result;
    for (UINT level = sourceLevel + 1; level < levelCount; ++level) {
        Level* target = nullptr;
        result = getLevel(level, &target);
        if (FAILED(result)) break;
        result = copy(target, source);
        if (chain) {
            source->Release();
            source = target;
        } else {
            target->Release();
        }
        if (FAILED(result)) break;
    }
    source->Release();
    return FAILED(result) ? result : S_OK;
}

}  // namespace

HRESULT GenerateMipLevels(IDirect3DBaseTexture8* texture, const PALETTEENTRY* palette, UINT sourceLevel,
                          std::uint32_t filter) {
    if (!texture) return D3DERR_INVALIDCALL;
    // Asked as a resource: the caller may have passed any resource, not only a texture.
    const D3DRESOURCETYPE type = static_cast<IDirect3DResource8*>(texture)->GetType();
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_VOLUMETEXTURE && type != D3DRTYPE_CUBETEXTURE)
        return D3DERR_INVALIDCALL;

    if (filter == FILTER_DEFAULT) {
        bool powersOfTwo = false;
        HRESULT result = S_OK;
        if (type == D3DRTYPE_VOLUMETEXTURE) {
            D3DVOLUME_DESC desc = {};
            result = static_cast<IDirect3DVolumeTexture8*>(texture)->GetLevelDesc(0, &desc);
            powersOfTwo = IsPowerOfTwo(desc.Width) && IsPowerOfTwo(desc.Height) && IsPowerOfTwo(desc.Depth);
        } else {
            D3DSURFACE_DESC desc = {};
            result = type == D3DRTYPE_TEXTURE ? static_cast<IDirect3DTexture8*>(texture)->GetLevelDesc(0, &desc)
                                              : static_cast<IDirect3DCubeTexture8*>(texture)->GetLevelDesc(0, &desc);
            powersOfTwo = IsPowerOfTwo(desc.Width) && IsPowerOfTwo(desc.Height);
        }
        if (FAILED(result)) return result;
        filter = powersOfTwo ? FILTER_BOX : FILTER_TRIANGLE | FILTER_DITHER;
    }
    // Cube faces are clamped at their edges, never wrapped onto themselves.
    if (type == D3DRTYPE_CUBETEXTURE) filter |= FILTER_MIRROR;

    const UINT levelCount = texture->GetLevelCount();
    if (sourceLevel == 0xFFFFFFFFu) sourceLevel = 0;
    if (sourceLevel >= levelCount) return D3DERR_INVALIDCALL;

    // Point and box make each level from the one just made; the others all from the source.
    const std::uint32_t selector = filter & 0xFFFF;
    const bool chain = selector == FILTER_POINT || selector == FILTER_BOX;

    auto copySurface = [palette, filter](IDirect3DSurface8* target, IDirect3DSurface8* source) {
        return CopySurfaceToSurface(target, palette, nullptr, source, palette, nullptr, filter, 0);
    };
    switch (type) {
    case D3DRTYPE_TEXTURE: {
        auto* plain = static_cast<IDirect3DTexture8*>(texture);
        return FillLevels<IDirect3DSurface8>(
            [plain](UINT level, IDirect3DSurface8** s) { return plain->GetSurfaceLevel(level, s); }, copySurface,
            sourceLevel, levelCount, chain);
    }
    case D3DRTYPE_VOLUMETEXTURE: {
        auto* volumes = static_cast<IDirect3DVolumeTexture8*>(texture);
        return FillLevels<IDirect3DVolume8>(
            [volumes](UINT level, IDirect3DVolume8** v) { return volumes->GetVolumeLevel(level, v); },
            [palette, filter](IDirect3DVolume8* target, IDirect3DVolume8* source) {
                return CopyVolumeToVolume(target, palette, nullptr, source, palette, nullptr, filter, 0);
            },
            sourceLevel, levelCount, chain);
    }
    default: {
        auto* cube = static_cast<IDirect3DCubeTexture8*>(texture);
        for (DWORD face = 0; face < 6; ++face) {
            const HRESULT result = FillLevels<IDirect3DSurface8>(
                [cube, face](UINT level, IDirect3DSurface8** s) {
                    return cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, s);
                },
                copySurface, sourceLevel, levelCount, chain);
            if (FAILED(result)) return result;
        }
        return S_OK;
    }
    }
}
