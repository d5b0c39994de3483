// The runtime's device: state, resources, Clear, Present and device loss. Drawing goes
// to the DrawPipeline, which reads the state and storage through DeviceContext.
//
// Lifetime: the public reference count is the callers'. When it reaches zero the device
// gives back what it holds (the pipeline's bindings, a render target or depth buffer set
// by SetRenderTarget); the object itself lives on while resources it created (or pipeline
// objects counted through CountObject) still exist, so they never see a dangling device.
// So CountObject(-1, ...) may destroy the device and its pipeline: a pipeline object calls
// it as the very last step of its destruction.
//
// DeviceContext as offered here: Light(i) is the i-th light in index order (LightCount()
// of them, however sparse the indices); TextureLevel addresses a cube texture's faces as
// level + face x GetLevelCount() and offers no storage for volume textures.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

#include "platform/d3d8.h"
#include "platform/runtime/draw_pipeline.h"
#include "platform/runtime/machine_profile.h"
#include "platform/runtime/runtime_internal.h"

namespace runtime {

class Surface;

// Checks presentation parameters against the profile and fills in what zero or
// D3DFMT_UNKNOWN leaves open (window client size, display format). The caller's copy is
// left as it is.
HRESULT ResolvePresentParameters(const MachineProfile& profile, HWND focusWindow,
                                 const D3DPRESENT_PARAMETERS& requested, D3DPRESENT_PARAMETERS* resolved);

class SoftwareDevice final : public IDirect3DDevice8, public DeviceContext, CountedObject {
public:
    // `resolved` comes from ResolvePresentParameters; `d3d` gets one reference.
    // The device keeps its own copy of the profile it was created under.
    SoftwareDevice(IDirect3D8* d3d, const MachineProfile& profile, D3DDEVTYPE type, HWND focusWindow,
                   DWORD behaviorFlags, const D3DPRESENT_PARAMETERS& resolved);

    // Resources created by this device hold it (see above); a default-pool one keeps Reset
    // from succeeding while it lives.
    void HoldObject(bool defaultPool);
    void DropObject(bool defaultPool);
    // SimulateDeviceLoss.
    void MakeLost(UINT lostTests);
    const MachineProfile& Profile() const { return profile_; }

    // ---- IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // ---- IDirect3DDevice8
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT ResourceManagerDiscardBytes(DWORD bytes) override;
    HRESULT GetDirect3D(IDirect3D8** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface8* cursorBitmap) override;
    void SetCursorPosition(int x, int y, DWORD flags) override;
    BOOL ShowCursor(BOOL show) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain8** swapChain) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* status) override;
    void SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) override;
    void GetGammaRamp(D3DGAMMARAMP* ramp) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) override;
    HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DVolumeTexture8** texture) override;
    HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;
    HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                               BOOL lockable, IDirect3DSurface8** surface) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      IDirect3DSurface8** surface) override;
    HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) override;
    HRESULT CopyRects(IDirect3DSurface8* sourceSurface, const RECT* sourceRects, UINT rectCount,
                      IDirect3DSurface8* destinationSurface, const POINT* destPoints) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture8* sourceTexture, IDirect3DBaseTexture8* destinationTexture) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* destinationSurface) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* newZStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** zStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetClipPlane(DWORD index, const float* plane) override;
    HRESULT GetClipPlane(DWORD index, float* plane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) override;
    HRESULT SetClipStatus(const D3DCLIPSTATUS8* clipStatus) override;
    HRESULT GetClipStatus(D3DCLIPSTATUS8* clipStatus) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT ValidateDevice(DWORD* passes) override;
    HRESULT GetInfo(DWORD devInfoId, void* devInfo, DWORD devInfoSize) override;
    HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) override;
    HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) override;
    HRESULT SetCurrentTexturePalette(UINT paletteNumber) override;
    HRESULT GetCurrentTexturePalette(UINT* paletteNumber) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexStreamZeroData,
                            UINT vertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertexIndices,
                                   UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                   const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override;
    HRESULT ProcessVertices(UINT sourceStartIndex, UINT destIndex, UINT vertexCount,
                            IDirect3DVertexBuffer8* destinationBuffer, DWORD flags) override;
    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle, DWORD usage) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT DeleteVertexShader(DWORD handle) override;
    HRESULT SetVertexShaderConstant(DWORD registerIndex, const void* constantData, DWORD constantCount) override;
    HRESULT GetVertexShaderConstant(DWORD registerIndex, void* constantData, DWORD constantCount) override;
    HRESULT GetVertexShaderDeclaration(DWORD handle, void* data, DWORD* sizeOfData) override;
    HRESULT GetVertexShaderFunction(DWORD handle, void* data, DWORD* sizeOfData) override;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) override;
    HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) override;
    HRESULT CreatePixelShader(const DWORD* function, DWORD* handle) override;
    HRESULT SetPixelShader(DWORD handle) override;
    HRESULT GetPixelShader(DWORD* handle) override;
    HRESULT DeletePixelShader(DWORD handle) override;
    HRESULT SetPixelShaderConstant(DWORD registerIndex, const void* constantData, DWORD constantCount) override;
    HRESULT GetPixelShaderConstant(DWORD registerIndex, void* constantData, DWORD constantCount) override;
    HRESULT GetPixelShaderFunction(DWORD handle, void* data, DWORD* sizeOfData) override;
    HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* info) override;
    HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* info) override;
    HRESULT DeletePatch(UINT handle) override;

    // ---- DeviceContext
    IDirect3DDevice8* Device() override { return this; }
    DWORD RenderState(D3DRENDERSTATETYPE state) const override;
    const D3DMATRIX& Transform(D3DTRANSFORMSTATETYPE state) const override;
    const D3DVIEWPORT8& Viewport() const override { return viewport_; }
    const D3DMATERIAL8& Material() const override { return material_; }
    UINT LightCount() const override { return static_cast<UINT>(lights_.size()); }
    const D3DLIGHT8& Light(UINT index, BOOL* enabled) const override;
    StorageView RenderTarget() override;
    StorageView DepthBuffer() override;
    bool TextureLevel(IDirect3DBaseTexture8* texture, UINT level, StorageView* view) override;
    void CountObject(int delta, bool defaultPool) override;

private:
    enum class LossState { OPERATIONAL, LOST, NOT_RESET };
    struct LightSlot {
        D3DLIGHT8 light;
        BOOL enabled;
    };

    ~SoftwareDevice();
    void CreateSwapChainSurfaces();
    void SetDefaultState();
    // Drops the pipeline's bindings and a render target or depth buffer set by the caller.
    void ReleaseBindings();
    void BindRenderTarget(Surface* target);
    void BindDepthStencil(Surface* depth);
    void DestroyIfUnused();
    void CountPresent();
    HRESULT CheckTextureRequest(D3DRESOURCETYPE type, UINT width, UINT height, UINT depth, UINT* levels,
                                DWORD usage, D3DFORMAT format, D3DPOOL pool) const;
    bool IsOwnSurface(Surface* surface) const;
    bool lossFired_ = false;

    IDirect3D8* d3d_;
    MachineProfile profile_;
    D3DDEVTYPE type_;
    HWND focusWindow_;
    DWORD behaviorFlags_;
    D3DPRESENT_PARAMETERS params_;

    ULONG references_ = 1;
    long heldObjects_ = 0;
    long defaultPoolObjects_ = 0;
    bool releasing_ = false;

    std::unique_ptr<Surface> backBuffer_;
    std::unique_ptr<Surface> autoDepth_;
    Surface* renderTarget_ = nullptr;
    Surface* depthStencil_ = nullptr;
    std::vector<DWORD> frontBuffer_;
    UINT frontWidth_ = 0;
    UINT frontHeight_ = 0;

    std::array<DWORD, 256> renderStates_{};
    std::array<D3DMATRIX, 512> transforms_{};
    D3DVIEWPORT8 viewport_{};
    D3DMATERIAL8 material_{};
    std::map<DWORD, LightSlot> lights_;
    std::array<std::array<float, 4>, 32> clipPlanes_{};
    D3DCLIPSTATUS8 clipStatus_{};
    std::map<UINT, std::array<PALETTEENTRY, 256>> palettes_;
    UINT currentPalette_ = 0xFFFF;
    D3DGAMMARAMP gammaRamp_{};
    std::vector<float> vertexShaderConstants_;
    BOOL cursorShown_ = FALSE;
    bool inScene_ = false;

    LossState loss_ = LossState::OPERATIONAL;
    UINT lostTestsLeft_ = 0;
    UINT presentCount_ = 0;

    std::unique_ptr<DrawPipeline> pipeline_;
};

}  // namespace runtime
