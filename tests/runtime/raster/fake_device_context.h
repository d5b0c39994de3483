// A stand-in for the runtime's device as the drawing half sees it: render states with
// Direct3D 8's defaults, transforms, viewport, material, lights, an X8R8G8B8 render
// target, a D16 depth buffer, textures with plain storage and an object tally.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/runtime/draw_pipeline.h"

inline DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline D3DMATRIX IdentityMatrix() {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// A 2D texture with one level of plain storage; nothing but reference counting, GetType and
// the level's bytes is used by the pipeline.
class FakeTexture final : public IDirect3DTexture8 {
public:
    FakeTexture(UINT width, UINT height, D3DFORMAT format, UINT bytesPerPixel)
        : width_(width), height_(height), format_(format), pitch_(width * bytesPerPixel),
          bytes_(static_cast<size_t>(pitch_) * height) {}

    StorageView View() { return StorageView{bytes_.data(), pitch_, format_, width_, height_}; }
    void SetTexel(UINT x, UINT y, std::uint32_t argb) { std::memcpy(&bytes_[y * pitch_ + 4 * x], &argb, 4); }
    ULONG References() const { return references_; }

    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }  // owned by the test
    HRESULT GetDevice(IDirect3DDevice8**) override { return D3DERR_INVALIDCALL; }
    HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT GetPrivateData(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT FreePrivateData(REFGUID) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return E_NOTIMPL; }
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override { return E_NOTIMPL; }
    HRESULT UnlockRect(UINT) override { return E_NOTIMPL; }
    HRESULT AddDirtyRect(const RECT*) override { return E_NOTIMPL; }

private:
    UINT width_, height_;
    D3DFORMAT format_;
    UINT pitch_;
    std::vector<BYTE> bytes_;
    ULONG references_ = 1;
};

class FakeDeviceContext final : public DeviceContext {
public:
    FakeDeviceContext(UINT width = 64, UINT height = 64, D3DFORMAT targetFormat = D3DFMT_X8R8G8B8)
        : width_(width), height_(height), targetFormat_(targetFormat), color_(width * height), depth_(width * height) {
        states_ = {
            {D3DRS_ZENABLE, TRUE},          {D3DRS_ZWRITEENABLE, TRUE},
            {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_CULLMODE, D3DCULL_CCW},
            {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_LIGHTING, TRUE},
            {D3DRS_AMBIENT, 0},             {D3DRS_COLORVERTEX, TRUE},
            {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1}, {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
            {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL}, {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
            {D3DRS_LOCALVIEWER, TRUE},      {D3DRS_SPECULARENABLE, FALSE},
            {D3DRS_VERTEXBLEND, D3DVBF_DISABLE}, {D3DRS_TWEENFACTOR, FloatBits(0.0f)},
            {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS}, {D3DRS_SRCBLEND, D3DBLEND_ONE},
            {D3DRS_DESTBLEND, D3DBLEND_ZERO}, {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        };
        for (auto& t : transforms_) t = IdentityMatrix();
        viewport_ = D3DVIEWPORT8{0, 0, width, height, 0.0f, 1.0f};
        material_ = {};
        Clear(0xFF000000, 1.0f);
    }

    // ---- Test controls
    void Set(D3DRENDERSTATETYPE state, DWORD value) { states_[state] = value; }
    void SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& m) { transforms_[Slot(state)] = m; }
    void SetViewport(const D3DVIEWPORT8& viewport) { viewport_ = viewport; }
    void SetMaterial(const D3DMATERIAL8& material) { material_ = material; }
    void AddLight(const D3DLIGHT8& light, BOOL enabled = TRUE) { lights_.push_back({light, enabled}); }
    void AddTexture(FakeTexture* texture) { textures_.push_back(texture); }
    void RemoveDepthBuffer() { hasDepth_ = false; }
    void Clear(std::uint32_t color, float z) {
        for (auto& c : color_) c = color;
        for (auto& d : depth_) d = static_cast<std::uint16_t>(z * 65535.0f + 0.5f);
    }
    std::uint32_t Pixel(UINT x, UINT y) const { return color_[y * width_ + x] & 0xFFFFFF; }
    std::uint16_t Depth(UINT x, UINT y) const { return depth_[y * width_ + x]; }
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    int LiveObjects() const { return liveObjects_; }
    int LiveDefaultPoolObjects() const { return liveDefault_; }

    // ---- DeviceContext
    IDirect3DDevice8* Device() override { return nullptr; }
    DWORD RenderState(D3DRENDERSTATETYPE state) const override {
        auto found = states_.find(state);
        return found == states_.end() ? 0 : found->second;
    }
    const D3DMATRIX& Transform(D3DTRANSFORMSTATETYPE state) const override { return transforms_[Slot(state)]; }
    const D3DVIEWPORT8& Viewport() const override { return viewport_; }
    const D3DMATERIAL8& Material() const override { return material_; }
    UINT LightCount() const override { return static_cast<UINT>(lights_.size()); }
    const D3DLIGHT8& Light(UINT index, BOOL* enabled) const override {
        *enabled = lights_[index].second;
        return lights_[index].first;
    }
    StorageView RenderTarget() override {
        return StorageView{reinterpret_cast<BYTE*>(color_.data()), width_ * 4, targetFormat_, width_, height_};
    }
    StorageView DepthBuffer() override {
        if (!hasDepth_) return StorageView{};
        return StorageView{reinterpret_cast<BYTE*>(depth_.data()), width_ * 2, D3DFMT_D16, width_, height_};
    }
    bool TextureLevel(IDirect3DBaseTexture8* texture, UINT level, StorageView* view) override {
        for (FakeTexture* t : textures_)
            if (static_cast<IDirect3DBaseTexture8*>(t) == texture && level == 0) {
                *view = t->View();
                return true;
            }
        return false;
    }
    void CountObject(int delta, bool defaultPool) override {
        liveObjects_ += delta;
        if (defaultPool) liveDefault_ += delta;
    }

private:
    static int Slot(D3DTRANSFORMSTATETYPE state) {
        return state == D3DTS_WORLD ? 0 : state == D3DTS_VIEW ? 1 : state == D3DTS_PROJECTION ? 2 : 3;
    }

    UINT width_, height_;
    D3DFORMAT targetFormat_;
    std::vector<std::uint32_t> color_;
    std::vector<std::uint16_t> depth_;
    bool hasDepth_ = true;
    std::map<D3DRENDERSTATETYPE, DWORD> states_;
    D3DMATRIX transforms_[4];
    D3DVIEWPORT8 viewport_;
    D3DMATERIAL8 material_;
    std::vector<std::pair<D3DLIGHT8, BOOL>> lights_;
    std::vector<FakeTexture*> textures_;
    int liveObjects_ = 0;
    int liveDefault_ = 0;
};

// Pretransformed vertices with a diffuse colour: screen x, y, z, 1 / w and D3DCOLOR.
struct ScreenColorVertex {
    float x, y, z, rhw;
    DWORD color;
};
constexpr DWORD SCREEN_COLOR_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// A pipeline drawing into a fake device, with lighting off so colours come from vertices.
struct PipelineFixture {
    explicit PipelineFixture(UINT width = 64, UINT height = 64) : context(width, height) {
        pipeline = MakeDrawPipeline(context);
        context.Set(D3DRS_LIGHTING, FALSE);
        context.Set(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    FakeDeviceContext context;
    std::unique_ptr<DrawPipeline> pipeline;
};
