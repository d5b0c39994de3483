// The device core: lifetime, presentation, loss and reset, and the state that the drawing
// half reads through DeviceContext.
#include "platform/runtime/device.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/runtime/pixel_layout.h"
#include "platform/runtime/resources.h"
#include "platform/win32/window_surface.h"

namespace runtime {

namespace {

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

const D3DMATRIX IDENTITY = IdentityMatrix();

bool IsTransformState(DWORD state) {
    return state == D3DTS_VIEW || state == D3DTS_PROJECTION || (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) ||
           (state >= D3DTS_WORLD && state < 512);
}

// Direct3D 8's default render states. States that depend on how the device was made
// (ZENABLE, SOFTWAREVERTEXPROCESSING) are filled in by SetDefaultState.
struct RenderStateDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

const RenderStateDefault RENDER_STATE_DEFAULTS[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_LINEPATTERN, 0},
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_LASTPIXEL, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_DITHERENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_ZVISIBLE, 0},
    {D3DRS_FOGCOLOR, 0},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
    {D3DRS_FOGSTART, FloatBits(0.0f)},
    {D3DRS_FOGEND, FloatBits(1.0f)},
    {D3DRS_FOGDENSITY, FloatBits(1.0f)},
    {D3DRS_EDGEANTIALIAS, FALSE},
    {D3DRS_ZBIAS, 0},
    {D3DRS_RANGEFOGENABLE, FALSE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_STENCILREF, 0},
    {D3DRS_STENCILMASK, 0xFFFFFFFFu},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu},
    {D3DRS_WRAP0, 0},
    {D3DRS_WRAP1, 0},
    {D3DRS_WRAP2, 0},
    {D3DRS_WRAP3, 0},
    {D3DRS_WRAP4, 0},
    {D3DRS_WRAP5, 0},
    {D3DRS_WRAP6, 0},
    {D3DRS_WRAP7, 0},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_AMBIENT, 0},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
    {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_LOCALVIEWER, TRUE},
    {D3DRS_NORMALIZENORMALS, FALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_SOFTWAREVERTEXPROCESSING, FALSE},
    {D3DRS_POINTSIZE, FloatBits(1.0f)},
    {D3DRS_POINTSIZE_MIN, FloatBits(0.0f)},
    {D3DRS_POINTSPRITEENABLE, FALSE},
    {D3DRS_POINTSCALEENABLE, FALSE},
    {D3DRS_POINTSCALE_A, FloatBits(1.0f)},
    {D3DRS_POINTSCALE_B, FloatBits(0.0f)},
    {D3DRS_POINTSCALE_C, FloatBits(0.0f)},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu},
    {D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE},
    {D3DRS_PATCHSEGMENTS, FloatBits(1.0f)},
    {D3DRS_DEBUGMONITORTOKEN, 0},
    {D3DRS_POINTSIZE_MAX, FloatBits(64.0f)},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
    {D3DRS_COLORWRITEENABLE, 0xF},
    {D3DRS_TWEENFACTOR, FloatBits(0.0f)},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
};

bool IsRenderState(DWORD state) {
    for (const RenderStateDefault& entry : RENDER_STATE_DEFAULTS)
        if (entry.state == state) return true;
    return false;
}

D3DLIGHT8 DefaultLight() {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    return light;
}

const D3DLIGHT8 DEFAULT_LIGHT = DefaultLight();

// The window Present shows the frame in.
HWND PresentationWindow(const D3DPRESENT_PARAMETERS& params, HWND focusWindow) {
    return params.hDeviceWindow ? params.hDeviceWindow : focusWindow;
}

}  // namespace

// ---- Creation -------------------------------------------------------------------------------

HRESULT ResolvePresentParameters(const MachineProfile& profile, HWND focusWindow,
                                 const D3DPRESENT_PARAMETERS& requested, D3DPRESENT_PARAMETERS* resolved) {
    D3DPRESENT_PARAMETERS p = requested;
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY_VSYNC) return D3DERR_INVALIDCALL;
    // One back buffer: the runtime keeps no chain of them.
    if (p.BackBufferCount > 1) return D3DERR_INVALIDCALL;
    p.BackBufferCount = 1;
    HWND window = PresentationWindow(p, focusWindow);
    if (!window) return D3DERR_INVALIDCALL;
    if (p.Windowed) {
        if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = profile.displayFormat;
        if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
            RECT client{};
            if (!GetClientRect(window, &client)) return D3DERR_INVALIDCALL;
            LONG width = client.right - client.left;
            LONG height = client.bottom - client.top;
            if (p.BackBufferWidth == 0) p.BackBufferWidth = width > 0 ? static_cast<UINT>(width) : 1;
            if (p.BackBufferHeight == 0) p.BackBufferHeight = height > 0 ? static_cast<UINT>(height) : 1;
        }
    } else {
        // Full screen takes a mode no larger than the display.
        if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || p.BackBufferWidth > profile.displayWidth ||
            p.BackBufferHeight > profile.displayHeight)
            return D3DERR_INVALIDCALL;
    }
    if (!IsBackBufferFormat(p.BackBufferFormat)) return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth > 16384 || p.BackBufferHeight > 16384) return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil) {
        if (!IsDepthFormat(p.AutoDepthStencilFormat) ||
            !ProfileSupportsFormat(profile, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, p.AutoDepthStencilFormat))
            return D3DERR_INVALIDCALL;
    }
    *resolved = p;
    return D3D_OK;
}

SoftwareDevice::SoftwareDevice(IDirect3D8* d3d, const MachineProfile& profile, D3DDEVTYPE type, HWND focusWindow,
                               DWORD behaviorFlags, const D3DPRESENT_PARAMETERS& resolved)
    : d3d_(d3d), profile_(profile), type_(type), focusWindow_(focusWindow), behaviorFlags_(behaviorFlags),
      params_(resolved) {
    d3d_->AddRef();
    RegisterDevice(this);
    CreateSwapChainSurfaces();
    SetDefaultState();
    pipeline_ = MakeDrawPipeline(*this);
}

SoftwareDevice::~SoftwareDevice() {
    releasing_ = true;
    pipeline_.reset();
    renderTarget_ = nullptr;
    depthStencil_ = nullptr;
    backBuffer_.reset();
    autoDepth_.reset();
    UnregisterDevice(this);
    d3d_->Release();
}

void SoftwareDevice::CreateSwapChainSurfaces() {
    ImageDesc back;
    back.format = params_.BackBufferFormat;
    back.usage = D3DUSAGE_RENDERTARGET;
    back.pool = D3DPOOL_DEFAULT;
    back.width = params_.BackBufferWidth;
    back.height = params_.BackBufferHeight;
    back.lockable = (params_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    backBuffer_ = std::make_unique<Surface>(this, nullptr, SurfaceRole::IMPLICIT, back);
    autoDepth_.reset();
    if (params_.EnableAutoDepthStencil) {
        ImageDesc depth = back;
        depth.format = params_.AutoDepthStencilFormat;
        depth.usage = D3DUSAGE_DEPTHSTENCIL;
        depth.lockable = depth.format == D3DFMT_D16_LOCKABLE;
        autoDepth_ = std::make_unique<Surface>(this, nullptr, SurfaceRole::IMPLICIT, depth);
    }
    renderTarget_ = backBuffer_.get();
    depthStencil_ = autoDepth_.get();
    frontWidth_ = back.width;
    frontHeight_ = back.height;
    frontBuffer_.assign(static_cast<std::size_t>(frontWidth_) * frontHeight_, 0xFF000000u);
}

void SoftwareDevice::SetDefaultState() {
    renderStates_.fill(0);
    for (const RenderStateDefault& entry : RENDER_STATE_DEFAULTS) renderStates_[entry.state] = entry.value;
    renderStates_[D3DRS_ZENABLE] = params_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    renderStates_[D3DRS_SOFTWAREVERTEXPROCESSING] = (behaviorFlags_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
    transforms_.fill(IDENTITY);
    viewport_ = {0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.0f, 1.0f};
    material_ = {};
    lights_.clear();
    for (auto& plane : clipPlanes_) plane = {0.0f, 0.0f, 0.0f, 0.0f};
    clipStatus_ = {};
    palettes_.clear();
    currentPalette_ = 0xFFFF;
    for (int i = 0; i < 256; ++i) {
        WORD value = static_cast<WORD>(i * 257);
        gammaRamp_.red[i] = gammaRamp_.green[i] = gammaRamp_.blue[i] = value;
    }
    vertexShaderConstants_.assign(96 * 4, 0.0f);
    inScene_ = false;
}

// ---- Lifetime -------------------------------------------------------------------------------

HRESULT SoftwareDevice::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice8) {
        AddRef();
        *object = static_cast<IDirect3DDevice8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG SoftwareDevice::AddRef() { return ++references_; }

ULONG SoftwareDevice::Release() {
    if (references_ == 0) return 0;
    if (--references_ > 0) return references_;
    releasing_ = true;
    ReleaseBindings();
    releasing_ = false;
    DestroyIfUnused();
    return 0;
}

void SoftwareDevice::HoldObject(bool defaultPool) {
    ++heldObjects_;
    if (defaultPool) ++defaultPoolObjects_;
}

void SoftwareDevice::DropObject(bool defaultPool) {
    --heldObjects_;
    if (defaultPool) --defaultPoolObjects_;
    if (!releasing_) DestroyIfUnused();
}

void SoftwareDevice::DestroyIfUnused() {
    if (references_ == 0 && heldObjects_ <= 0) delete this;
}

void SoftwareDevice::CountObject(int delta, bool defaultPool) {
    CountLiveObjects(delta);
    for (; delta > 0; --delta) HoldObject(defaultPool);
    for (; delta < 0; ++delta) DropObject(defaultPool);
}

void SoftwareDevice::ReleaseBindings() {
    if (pipeline_) pipeline_->ReleaseBindings();
    BindRenderTarget(backBuffer_.get());
    BindDepthStencil(autoDepth_.get());
}

bool SoftwareDevice::IsOwnSurface(Surface* surface) const {
    return surface && surface->OwningDevice() == this;
}

// The device holds a reference on a render target or depth buffer the caller set; its own
// back buffer and depth buffer live as long as it does.
void SoftwareDevice::BindRenderTarget(Surface* target) {
    if (target == renderTarget_) return;
    if (target && target->Role() != SurfaceRole::IMPLICIT) target->AddRef();
    Surface* old = renderTarget_;
    renderTarget_ = target;
    if (old && old->Role() != SurfaceRole::IMPLICIT) old->Release();
}

void SoftwareDevice::BindDepthStencil(Surface* depth) {
    if (depth == depthStencil_) return;
    if (depth && depth->Role() != SurfaceRole::IMPLICIT) depth->AddRef();
    Surface* old = depthStencil_;
    depthStencil_ = depth;
    if (old && old->Role() != SurfaceRole::IMPLICIT) old->Release();
}

// ---- Loss, reset, presentation ------------------------------------------------------------

void SoftwareDevice::MakeLost(UINT lostTests) {
    loss_ = LossState::LOST;
    lostTestsLeft_ = lostTests;
    inScene_ = false;
}

HRESULT SoftwareDevice::TestCooperativeLevel() {
    switch (loss_) {
        case LossState::OPERATIONAL:
            return D3D_OK;
        case LossState::LOST:
            if (lostTestsLeft_ > 0) {
                --lostTestsLeft_;
                return D3DERR_DEVICELOST;
            }
            loss_ = LossState::NOT_RESET;
            return D3DERR_DEVICENOTRESET;
        case LossState::NOT_RESET:
            break;
    }
    return D3DERR_DEVICENOTRESET;
}

HRESULT SoftwareDevice::Reset(D3DPRESENT_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    if (loss_ == LossState::LOST && lostTestsLeft_ > 0) return D3DERR_DEVICELOST;
    if (profile_.resetFails) return D3DERR_INVALIDCALL;
    ReleaseBindings();
    // Direct3D 8 refuses while default-pool resources, or references to the swap chain's
    // surfaces, are alive: those would outlive the buffers that Reset replaces.
    if (defaultPoolObjects_ > 0) return D3DERR_INVALIDCALL;
    if (backBuffer_->OwnReferences() > 0 || (autoDepth_ && autoDepth_->OwnReferences() > 0)) return D3DERR_INVALIDCALL;
    if (backBuffer_->Storage().IsLocked()) return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS resolved;
    HRESULT hr = ResolvePresentParameters(profile_, focusWindow_, *parameters, &resolved);
    if (FAILED(hr)) return hr;
    params_ = resolved;
    CreateSwapChainSurfaces();
    SetDefaultState();
    loss_ = LossState::OPERATIONAL;
    lostTestsLeft_ = 0;
    return D3D_OK;
}

void SoftwareDevice::CountPresent() {
    ++presentCount_;
    // The profile's loss strikes once per device, after that many presents.
    if (!lossFired_ && profile_.loseDeviceAfterPresents != 0 && presentCount_ >= profile_.loseDeviceAfterPresents) {
        lossFired_ = true;
        MakeLost(profile_.lostTestCount);
    }
}

HRESULT SoftwareDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                                const RGNDATA* dirtyRegion) {
    if (loss_ != LossState::OPERATIONAL) return D3DERR_DEVICELOST;
    LevelStorage& back = backBuffer_->Storage();
    if (back.IsLocked()) return D3DERR_INVALIDCALL;
    const ImageDesc& desc = back.Desc();
    frontWidth_ = desc.width;
    frontHeight_ = desc.height;
    frontBuffer_.resize(static_cast<std::size_t>(frontWidth_) * frontHeight_);
    for (UINT y = 0; y < desc.height; ++y) {
        const BYTE* row = back.Bits() + static_cast<std::size_t>(y) * back.Level().rowPitch;
        ConvertToX8R8G8B8(row, desc.format, desc.width, frontBuffer_.data() + static_cast<std::size_t>(y) * desc.width);
    }
    HWND window = destWindowOverride ? destWindowOverride : PresentationWindow(params_, focusWindow_);
    if (!PresentToWindow(window, frontBuffer_.data(), desc.width * 4, desc.width, desc.height))
        return D3DERR_INVALIDCALL;
    CountPresent();
    return D3D_OK;
}

HRESULT SoftwareDevice::GetFrontBuffer(IDirect3DSurface8* destinationSurface) {
    // The last presented frame, as A8R8G8B8, at the top left of the surface.
    Surface* destination = AsRuntimeSurface(destinationSurface);
    if (!destination || destination->Desc().format != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
    LevelStorage& storage = destination->Storage();
    if (storage.IsLocked() || storage.Desc().width < frontWidth_ || storage.Desc().height < frontHeight_)
        return D3DERR_INVALIDCALL;
    for (UINT y = 0; y < frontHeight_; ++y)
        std::memcpy(storage.Bits() + static_cast<std::size_t>(y) * storage.Level().rowPitch,
                    frontBuffer_.data() + static_cast<std::size_t>(y) * frontWidth_, frontWidth_ * 4u);
    return D3D_OK;
}

HRESULT SoftwareDevice::GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    if (backBuffer != 0 || type != D3DBACKBUFFER_TYPE_MONO) {
        *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    backBuffer_->AddRef();
    *surface = backBuffer_.get();
    return D3D_OK;
}

HRESULT SoftwareDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT SoftwareDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT SoftwareDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                              DWORD stencil) {
    constexpr DWORD KNOWN = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if (flags == 0 || (flags & ~KNOWN)) return D3DERR_INVALIDCALL;
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    if (flags & D3DCLEAR_ZBUFFER) {
        if (!depthStencil_ || !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;
    }
    // Stencil bits are not cleared: the runtime keeps no stencil buffer of its own.
    D3DRECT viewport{static_cast<LONG>(viewport_.X), static_cast<LONG>(viewport_.Y),
                     static_cast<LONG>(viewport_.X + viewport_.Width), static_cast<LONG>(viewport_.Y + viewport_.Height)};
    std::vector<D3DRECT> areas;
    if (count == 0 || !rects) {
        areas.push_back(viewport);
    } else {
        for (DWORD i = 0; i < count; ++i) {
            D3DRECT r = rects[i];
            r.x1 = std::max(r.x1, viewport.x1);
            r.y1 = std::max(r.y1, viewport.y1);
            r.x2 = std::min(r.x2, viewport.x2);
            r.y2 = std::min(r.y2, viewport.y2);
            if (r.x1 < r.x2 && r.y1 < r.y2) areas.push_back(r);
        }
    }
    auto fill = [&](LevelStorage& storage, auto&& fillRow) {
        const ImageDesc& desc = storage.Desc();
        for (const D3DRECT& area : areas) {
            LONG x2 = std::min<LONG>(area.x2, static_cast<LONG>(desc.width));
            LONG y2 = std::min<LONG>(area.y2, static_cast<LONG>(desc.height));
            if (area.x1 >= x2) continue;
            for (LONG y = area.y1; y < y2; ++y) {
                BYTE* row = storage.Bits() + PixelOffset(storage.Layout(), storage.Level().rowPitch,
                                                         static_cast<UINT>(area.x1), static_cast<UINT>(y));
                fillRow(row, static_cast<UINT>(x2 - area.x1));
            }
        }
    };
    if ((flags & D3DCLEAR_TARGET) && renderTarget_ && CanEncodeColor(renderTarget_->Desc().format)) {
        D3DFORMAT format = renderTarget_->Desc().format;
        fill(renderTarget_->Storage(), [&](BYTE* row, UINT width) { FillColor(row, format, width, color); });
    }
    if ((flags & D3DCLEAR_ZBUFFER) && depthStencil_) {
        D3DFORMAT format = depthStencil_->Desc().format;
        fill(depthStencil_->Storage(), [&](BYTE* row, UINT width) { FillDepth(row, format, width, z); });
    }
    return D3D_OK;
}

// ---- Queries --------------------------------------------------------------------------------

UINT SoftwareDevice::GetAvailableTextureMem() { return 64u * 1024u * 1024u; }

HRESULT SoftwareDevice::ResourceManagerDiscardBytes(DWORD bytes) { return D3D_OK; }

HRESULT SoftwareDevice::GetDirect3D(IDirect3D8** d3d) {
    if (!d3d) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *d3d = d3d_;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetDeviceCaps(D3DCAPS8* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = profile_.caps;
    caps->DeviceType = type_;
    caps->AdapterOrdinal = D3DADAPTER_DEFAULT;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetDisplayMode(D3DDISPLAYMODE* mode) {
    if (!mode) return D3DERR_INVALIDCALL;
    *mode = {profile_.displayWidth, profile_.displayHeight, profile_.refreshRate, profile_.displayFormat};
    return D3D_OK;
}

HRESULT SoftwareDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    *parameters = {D3DADAPTER_DEFAULT, type_, focusWindow_, behaviorFlags_};
    return D3D_OK;
}

HRESULT SoftwareDevice::SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface8* cursorBitmap) {
    Surface* cursor = AsRuntimeSurface(cursorBitmap);
    if (!cursor || cursor->Desc().format != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

void SoftwareDevice::SetCursorPosition(int x, int y, DWORD flags) {}

BOOL SoftwareDevice::ShowCursor(BOOL show) {
    BOOL old = cursorShown_;
    cursorShown_ = show ? TRUE : FALSE;
    return old;
}

HRESULT SoftwareDevice::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain8** swapChain) {
    if (swapChain) *swapChain = nullptr;
    return D3DERR_INVALIDCALL;
}

HRESULT SoftwareDevice::GetRasterStatus(D3DRASTER_STATUS* status) { return D3DERR_INVALIDCALL; }

void SoftwareDevice::SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) {
    if (ramp) gammaRamp_ = *ramp;
}

void SoftwareDevice::GetGammaRamp(D3DGAMMARAMP* ramp) {
    if (ramp) *ramp = gammaRamp_;
}

// ---- Render targets -------------------------------------------------------------------------

HRESULT SoftwareDevice::SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* newZStencil) {
    Surface* target = renderTarget_;
    if (renderTarget) {
        target = AsRuntimeSurface(renderTarget);
        if (!IsOwnSurface(target) || !(target->Desc().usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    }
    Surface* depth = nullptr;
    if (newZStencil) {
        depth = AsRuntimeSurface(newZStencil);
        if (!IsOwnSurface(depth) || !(depth->Desc().usage & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
        if (depth->Desc().width < target->Desc().width || depth->Desc().height < target->Desc().height)
            return D3DERR_INVALIDCALL;
    }
    BindRenderTarget(target);
    BindDepthStencil(depth);
    viewport_ = {0, 0, target->Desc().width, target->Desc().height, 0.0f, 1.0f};
    return D3D_OK;
}

HRESULT SoftwareDevice::GetRenderTarget(IDirect3DSurface8** renderTarget) {
    if (!renderTarget) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *renderTarget = renderTarget_;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetDepthStencilSurface(IDirect3DSurface8** zStencilSurface) {
    if (!zStencilSurface) return D3DERR_INVALIDCALL;
    if (!depthStencil_) {
        *zStencilSurface = nullptr;
        return D3DERR_NOTFOUND;
    }
    depthStencil_->AddRef();
    *zStencilSurface = depthStencil_;
    return D3D_OK;
}

// ---- Fixed-function state -------------------------------------------------------------------

HRESULT SoftwareDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix || !IsTransformState(state)) return D3DERR_INVALIDCALL;
    transforms_[state] = *matrix;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix || !IsTransformState(state)) return D3DERR_INVALIDCALL;
    *matrix = transforms_[state];
    return D3D_OK;
}

HRESULT SoftwareDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix || !IsTransformState(state)) return D3DERR_INVALIDCALL;
    // The new matrix is matrix x current: it applies first to row vectors.
    const D3DMATRIX current = transforms_[state];
    D3DMATRIX product{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += matrix->m[r][k] * current.m[k][c];
            product.m[r][c] = sum;
        }
    transforms_[state] = product;
    return D3D_OK;
}

const D3DMATRIX& SoftwareDevice::Transform(D3DTRANSFORMSTATETYPE state) const {
    return IsTransformState(state) ? transforms_[state] : IDENTITY;
}

HRESULT SoftwareDevice::SetViewport(const D3DVIEWPORT8* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    const ImageDesc& target = renderTarget_->Desc();
    if (viewport->Width == 0 || viewport->Height == 0 || viewport->X >= target.width || viewport->Y >= target.height ||
        viewport->Width > target.width - viewport->X || viewport->Height > target.height - viewport->Y)
        return D3DERR_INVALIDCALL;
    if (!(viewport->MinZ >= 0.0f && viewport->MinZ <= 1.0f && viewport->MaxZ >= 0.0f && viewport->MaxZ <= 1.0f))
        return D3DERR_INVALIDCALL;
    viewport_ = *viewport;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetViewport(D3DVIEWPORT8* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return D3D_OK;
}

HRESULT SoftwareDevice::SetMaterial(const D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetMaterial(D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT SoftwareDevice::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_SPOT && light->Type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (!(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
    auto found = lights_.find(index);
    if (found == lights_.end()) {
        lights_[index] = {*light, FALSE};
    } else {
        found->second.light = *light;
    }
    return D3D_OK;
}

HRESULT SoftwareDevice::GetLight(DWORD index, D3DLIGHT8* light) {
    auto found = lights_.find(index);
    if (!light || found == lights_.end()) return D3DERR_INVALIDCALL;
    *light = found->second.light;
    return D3D_OK;
}

HRESULT SoftwareDevice::LightEnable(DWORD index, BOOL enable) {
    auto found = lights_.find(index);
    if (found == lights_.end()) found = lights_.emplace(index, LightSlot{DEFAULT_LIGHT, FALSE}).first;
    found->second.enabled = enable ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetLightEnable(DWORD index, BOOL* enable) {
    auto found = lights_.find(index);
    if (!enable || found == lights_.end()) return D3DERR_INVALIDCALL;
    *enable = found->second.enabled;
    return D3D_OK;
}

const D3DLIGHT8& SoftwareDevice::Light(UINT index, BOOL* enabled) const {
    if (index >= lights_.size()) {
        if (enabled) *enabled = FALSE;
        return DEFAULT_LIGHT;
    }
    auto it = lights_.begin();
    std::advance(it, index);
    if (enabled) *enabled = it->second.enabled;
    return it->second.light;
}

HRESULT SoftwareDevice::SetClipPlane(DWORD index, const float* plane) {
    if (!plane || index >= clipPlanes_.size()) return D3DERR_INVALIDCALL;
    std::copy(plane, plane + 4, clipPlanes_[index].begin());
    return D3D_OK;
}

HRESULT SoftwareDevice::GetClipPlane(DWORD index, float* plane) {
    if (!plane || index >= clipPlanes_.size()) return D3DERR_INVALIDCALL;
    std::copy(clipPlanes_[index].begin(), clipPlanes_[index].end(), plane);
    return D3D_OK;
}

HRESULT SoftwareDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (!IsRenderState(state)) return D3DERR_INVALIDCALL;
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || !IsRenderState(state)) return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

DWORD SoftwareDevice::RenderState(D3DRENDERSTATETYPE state) const {
    return state < renderStates_.size() ? renderStates_[state] : 0;
}

// State blocks are not offered: nothing in the system records state.
HRESULT SoftwareDevice::BeginStateBlock() { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::EndStateBlock(DWORD* token) { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::ApplyStateBlock(DWORD token) { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::CaptureStateBlock(DWORD token) { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::DeleteStateBlock(DWORD token) { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) { return D3DERR_INVALIDCALL; }

HRESULT SoftwareDevice::SetClipStatus(const D3DCLIPSTATUS8* clipStatus) {
    if (!clipStatus) return D3DERR_INVALIDCALL;
    clipStatus_ = *clipStatus;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetClipStatus(D3DCLIPSTATUS8* clipStatus) {
    if (!clipStatus) return D3DERR_INVALIDCALL;
    *clipStatus = clipStatus_;
    return D3D_OK;
}

HRESULT SoftwareDevice::ValidateDevice(DWORD* passes) {
    if (!passes) return D3DERR_INVALIDCALL;
    *passes = 1;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetInfo(DWORD devInfoId, void* devInfo, DWORD devInfoSize) { return S_FALSE; }

HRESULT SoftwareDevice::SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) {
    if (!entries || paletteNumber > 0xFFFF) return D3DERR_INVALIDCALL;
    std::copy(entries, entries + 256, palettes_[paletteNumber].begin());
    return D3D_OK;
}

HRESULT SoftwareDevice::GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) {
    auto found = palettes_.find(paletteNumber);
    if (!entries || found == palettes_.end()) return D3DERR_INVALIDCALL;
    std::copy(found->second.begin(), found->second.end(), entries);
    return D3D_OK;
}

HRESULT SoftwareDevice::SetCurrentTexturePalette(UINT paletteNumber) {
    if (palettes_.find(paletteNumber) == palettes_.end()) return D3DERR_INVALIDCALL;
    currentPalette_ = paletteNumber;
    return D3D_OK;
}

HRESULT SoftwareDevice::GetCurrentTexturePalette(UINT* paletteNumber) {
    if (!paletteNumber) return D3DERR_INVALIDCALL;
    *paletteNumber = currentPalette_;
    return D3D_OK;
}

HRESULT SoftwareDevice::SetVertexShaderConstant(DWORD registerIndex, const void* constantData, DWORD constantCount) {
    if (!constantData || registerIndex > 96 || constantCount > 96 - registerIndex) return D3DERR_INVALIDCALL;
    std::memcpy(vertexShaderConstants_.data() + registerIndex * 4, constantData, constantCount * 4 * sizeof(float));
    return D3D_OK;
}

HRESULT SoftwareDevice::GetVertexShaderConstant(DWORD registerIndex, void* constantData, DWORD constantCount) {
    if (!constantData || registerIndex > 96 || constantCount > 96 - registerIndex) return D3DERR_INVALIDCALL;
    std::memcpy(constantData, vertexShaderConstants_.data() + registerIndex * 4, constantCount * 4 * sizeof(float));
    return D3D_OK;
}

// Vertex shader programs, pixel shaders, patches and ProcessVertices are beyond the
// fixed-function pipeline the caps report.
HRESULT SoftwareDevice::GetVertexShaderDeclaration(DWORD handle, void* data, DWORD* sizeOfData) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::GetVertexShaderFunction(DWORD handle, void* data, DWORD* sizeOfData) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::ProcessVertices(UINT sourceStartIndex, UINT destIndex, UINT vertexCount,
                                        IDirect3DVertexBuffer8* destinationBuffer, DWORD flags) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::CreatePixelShader(const DWORD* function, DWORD* handle) { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::SetPixelShader(DWORD handle) { return handle == 0 ? D3D_OK : D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::GetPixelShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = 0;
    return D3D_OK;
}
HRESULT SoftwareDevice::DeletePixelShader(DWORD handle) { return D3DERR_INVALIDCALL; }
HRESULT SoftwareDevice::SetPixelShaderConstant(DWORD registerIndex, const void* constantData, DWORD constantCount) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::GetPixelShaderConstant(DWORD registerIndex, void* constantData, DWORD constantCount) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::GetPixelShaderFunction(DWORD handle, void* data, DWORD* sizeOfData) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* info) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* info) {
    return D3DERR_INVALIDCALL;
}
HRESULT SoftwareDevice::DeletePatch(UINT handle) { return D3DERR_INVALIDCALL; }

// ---- DeviceContext storage ------------------------------------------------------------------

StorageView SoftwareDevice::RenderTarget() { return renderTarget_ ? renderTarget_->Storage().View() : StorageView{}; }

StorageView SoftwareDevice::DepthBuffer() { return depthStencil_ ? depthStencil_->Storage().View() : StorageView{}; }

// Cube faces are addressed as level + face x GetLevelCount(); volume textures have no
// 2D storage to offer.
bool SoftwareDevice::TextureLevel(IDirect3DBaseTexture8* texture, UINT level, StorageView* view) {
    if (!texture || !view) return false;
    Surface* surface = nullptr;
    if (Texture* plain = AsRuntimeTexture(texture)) {
        surface = plain->Level(level);
    } else if (CubeTexture* cube = AsRuntimeCubeTexture(texture)) {
        UINT levels = cube->GetLevelCount();
        surface = cube->Face(level / levels, level % levels);
    }
    if (!surface) return false;
    *view = surface->Storage().View();
    return true;
}

// ---- The drawing half -----------------------------------------------------------------------

HRESULT SoftwareDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                           IDirect3DVertexBuffer8** buffer) {
    return pipeline_->CreateVertexBuffer(length, usage, fvf, pool, buffer);
}
HRESULT SoftwareDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                          IDirect3DIndexBuffer8** buffer) {
    return pipeline_->CreateIndexBuffer(length, usage, format, pool, buffer);
}
HRESULT SoftwareDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) {
    return pipeline_->SetStreamSource(streamNumber, streamData, stride);
}
HRESULT SoftwareDevice::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) {
    return pipeline_->GetStreamSource(streamNumber, streamData, stride);
}
HRESULT SoftwareDevice::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
    return pipeline_->SetIndices(indexData, baseVertexIndex);
}
HRESULT SoftwareDevice::GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) {
    return pipeline_->GetIndices(indexData, baseVertexIndex);
}
HRESULT SoftwareDevice::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                                           DWORD usage) {
    return pipeline_->CreateVertexShader(declaration, function, handle, usage);
}
HRESULT SoftwareDevice::SetVertexShader(DWORD handle) { return pipeline_->SetVertexShader(handle); }
HRESULT SoftwareDevice::GetVertexShader(DWORD* handle) { return pipeline_->GetVertexShader(handle); }
HRESULT SoftwareDevice::DeleteVertexShader(DWORD handle) { return pipeline_->DeleteVertexShader(handle); }
HRESULT SoftwareDevice::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    return pipeline_->GetTexture(stage, texture);
}
HRESULT SoftwareDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    return pipeline_->SetTexture(stage, texture);
}
HRESULT SoftwareDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return pipeline_->GetTextureStageState(stage, type, value);
}
HRESULT SoftwareDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return pipeline_->SetTextureStageState(stage, type, value);
}
HRESULT SoftwareDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
    return pipeline_->DrawPrimitive(primitiveType, startVertex, primitiveCount);
}
HRESULT SoftwareDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices,
                                             UINT startIndex, UINT primitiveCount) {
    return pipeline_->DrawIndexedPrimitive(primitiveType, minIndex, numVertices, startIndex, primitiveCount);
}
HRESULT SoftwareDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                        const void* vertexStreamZeroData, UINT vertexStreamZeroStride) {
    return pipeline_->DrawPrimitiveUP(primitiveType, primitiveCount, vertexStreamZeroData, vertexStreamZeroStride);
}
HRESULT SoftwareDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                               UINT numVertexIndices, UINT primitiveCount, const void* indexData,
                                               D3DFORMAT indexDataFormat, const void* vertexStreamZeroData,
                                               UINT vertexStreamZeroStride) {
    return pipeline_->DrawIndexedPrimitiveUP(primitiveType, minVertexIndex, numVertexIndices, primitiveCount,
                                             indexData, indexDataFormat, vertexStreamZeroData, vertexStreamZeroStride);
}

}  // namespace runtime
