// Turning an image file into a ready texture: decode, choose a format, size and mip count
// that the device supports, create the texture, fill the file's levels and produce the rest.
#pragma once

#include <cstdint>

#include "platform/d3d8.h"
#include "texture/decoded_image.h"

HRESULT LoadTextureFile(IDirect3DDevice8* device, const char* path, IDirect3DTexture8** texture);

HRESULT LoadTextureFileEx(IDirect3DDevice8* device, const char* path, UINT width, UINT height,
                          UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, std::uint32_t filter,
                          std::uint32_t mipFilter, D3DCOLOR colorKey, ImageInfo* srcInfo,
                          PALETTEENTRY* palette, IDirect3DTexture8** texture);

HRESULT LoadTextureMemoryEx(IDirect3DDevice8* device, const void* data, UINT size, UINT width, UINT height,
                            UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, std::uint32_t filter,
                            std::uint32_t mipFilter, D3DCOLOR colorKey, ImageInfo* srcInfo,
                            PALETTEENTRY* palette, IDirect3DTexture8** texture);

// The shared body, for plain, volume and cube textures; `texture` receives an
// IDirect3DTexture8, IDirect3DVolumeTexture8 or IDirect3DCubeTexture8 by `resourceType`.
HRESULT LoadTextureCore(IDirect3DDevice8* device, const void* data, UINT size, UINT width, UINT height,
                        UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        std::uint32_t filter, std::uint32_t mipFilter, D3DCOLOR colorKey, ImageInfo* srcInfo,
                        PALETTEENTRY* palette, D3DRESOURCETYPE resourceType, IDirect3DBaseTexture8** texture);

// Rounds the wanted size, depth, level count and format to what the device supports.
// Every in-out pointer may be null.
HRESULT ResolveTextureRequirements(IDirect3DDevice8* device, DWORD usage, UINT* width, UINT* height,
                                   UINT* depth, UINT* mipLevels, D3DFORMAT* format, D3DPOOL pool,
                                   D3DRESOURCETYPE resourceType);
