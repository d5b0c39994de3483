// Placeholder until the drawing half exists: every drawing call is refused.
#include "platform/runtime/draw_pipeline.h"

namespace {

class RefusingPipeline final : public DrawPipeline {
public:
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8**) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**) override { return D3DERR_INVALIDCALL; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetIndices(IDirect3DIndexBuffer8*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT GetIndices(IDirect3DIndexBuffer8**, UINT*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD*, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT SetVertexShader(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT GetVertexShader(DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT DeleteVertexShader(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture8**) override { return D3DERR_INVALIDCALL; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture8*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
    void ReleaseBindings() override {}
};

}  // namespace

std::unique_ptr<DrawPipeline> MakeDrawPipeline(DeviceContext&) { return std::make_unique<RefusingPipeline>(); }
