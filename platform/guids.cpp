// Interface identifiers. The values are this project's own; what matters is that each
// interface has a distinct one.
#include "platform/d3d8.h"

namespace {
constexpr GUID MakeInterfaceId(std::uint32_t serial) {
    return GUID{0x0B1C0000u | serial, 0x7A11, 0x4E5B, {0x9D, 0x3E, 0x8F, 0x21, 0x5C, 0x64, 0xA0, 0x17}};
}
}  // namespace

const IID IID_IUnknown = MakeInterfaceId(0);
const IID IID_IDirect3D8 = MakeInterfaceId(1);
const IID IID_IDirect3DDevice8 = MakeInterfaceId(2);
const IID IID_IDirect3DResource8 = MakeInterfaceId(3);
const IID IID_IDirect3DBaseTexture8 = MakeInterfaceId(4);
const IID IID_IDirect3DTexture8 = MakeInterfaceId(5);
const IID IID_IDirect3DVolumeTexture8 = MakeInterfaceId(6);
const IID IID_IDirect3DCubeTexture8 = MakeInterfaceId(7);
const IID IID_IDirect3DSurface8 = MakeInterfaceId(8);
const IID IID_IDirect3DVolume8 = MakeInterfaceId(9);
const IID IID_IDirect3DVertexBuffer8 = MakeInterfaceId(10);
const IID IID_IDirect3DIndexBuffer8 = MakeInterfaceId(11);
const IID IID_IDirect3DSwapChain8 = MakeInterfaceId(12);
