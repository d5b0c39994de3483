// Locks one surface or volume for the length of one copy and describes the locked pixels
// as a PixelRegion. Surfaces that cannot be locked (levels of default-pool textures, for
// instance) are worked on through a temporary image surface of the same size and format.
#pragma once

#include <cstdint>

#include "codecs/pixel_region.h"
#include "platform/d3d8.h"

// The caller only reads: nothing is written back, and the platform lock is read-only.
constexpr std::uint32_t LOCK_READ_ONLY = 0x1;
// Always work on a temporary surface (the source and destination of a copy are the same
// surface). The volume locker ignores it.
constexpr std::uint32_t LOCK_FORCE_COPY = 0x10000;

class SurfaceLocker {
public:
    SurfaceLocker() = default;
    ~SurfaceLocker() { Unlock(); }
    SurfaceLocker(const SurfaceLocker&) = delete;
    SurfaceLocker& operator=(const SurfaceLocker&) = delete;

    // Locks `rect` of `surface` (null: all of it) and fills `out`. D3DERR_INVALIDCALL for a
    // rectangle outside the surface; otherwise the platform's failures unchanged.
    HRESULT Lock(PixelRegion& out, IDirect3DSurface8* surface, const PALETTEENTRY* palette, const RECT* rect,
                 D3DCOLOR colorKey, std::uint32_t lockFlags);
    // Unlocks, writes a temporary surface back unless the lock was read-only, and releases
    // what the lock held. Always succeeds.
    HRESULT Unlock();

    std::uint32_t flags = 0;
    IDirect3DSurface8* surface = nullptr;    // not reference-counted
    IDirect3DSurface8* temporary = nullptr;  // one reference
    IDirect3DDevice8* device = nullptr;      // one reference
};

class VolumeLocker {
public:
    VolumeLocker() = default;
    ~VolumeLocker() { Unlock(); }
    VolumeLocker(const VolumeLocker&) = delete;
    VolumeLocker& operator=(const VolumeLocker&) = delete;

    // Locks `box` of `volume` (null: all of it) and fills `out`. D3DERR_INVALIDCALL for a box
    // outside the volume or a default-pool volume that is not dynamic.
    HRESULT Lock(PixelRegion& out, IDirect3DVolume8* volume, const PALETTEENTRY* palette, const D3DBOX* box,
                 D3DCOLOR colorKey, std::uint32_t lockFlags);
    HRESULT Unlock();

    IDirect3DVolume8* volume = nullptr;  // not reference-counted
};
